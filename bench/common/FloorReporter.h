#pragma once

// Reports benchmarks as the console does (in colour on a terminal only), and keeps each
// run's real and CPU time per iteration, the medians when repeated, so that a piece of work
// can be set beside its floor: the least the same result could cost.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <unistd.h>

class FloorReporter : public benchmark::ConsoleReporter {
public:
    FloorReporter() : ConsoleReporter(::isatty(::fileno(stdout)) ? OO_Defaults : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred || run.iterations == 0)
                continue;
            const Times times{run.real_accumulated_time / double(run.iterations),
                              run.cpu_accumulated_time / double(run.iterations)};
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                m_median[run.run_name.str()] = times;
            else if (run.run_type == Run::RT_Iteration)
                m_single[run.run_name.str()] = times;
        }
    }

    // Seconds of real time per iteration of the named run ("Work/1000"), or a negative value.
    double RealTime(const std::string& name) const
    {
        const auto& all = Runs();
        const auto it = all.find(name);
        return it == all.end() ? -1.0 : it->second.real;
    }

    // One line for each "work/N" whose "floor/N" ran too.
    void PrintRatios(const std::string& work, const std::string& floor) const
    {
        bool header = false;
        for (const auto& [name, times] : Runs()) {
            if (name.compare(0, work.size() + 1, work + "/") != 0)
                continue;
            const auto base = Runs().find(floor + name.substr(work.size()));
            if (base == Runs().end())
                continue;
            if (!header)
                std::printf("\n%-22s %12s %12s %11s %10s\n", "work", "real", "floor real", "real ratio", "CPU ratio");
            header = true;
            std::printf("%-22s %9.2f ms %9.2f ms %10.2fx %9.2fx\n", name.c_str(), times.real * 1e3,
                        base->second.real * 1e3, times.real / base->second.real, times.cpu / base->second.cpu);
        }
    }

private:
    struct Times {
        double real; // seconds
        double cpu;
    };
    const std::map<std::string, Times>& Runs() const { return m_median.empty() ? m_single : m_median; }

    std::map<std::string, Times> m_single;
    std::map<std::string, Times> m_median;
};
