#pragma once

// Reports benchmarks as the console does (in colour on a terminal only), and keeps each
// run's real and CPU time per iteration, the medians when repeated, so that a piece of work
// can be set beside its floor: the least the same result could cost.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

// Takes Google Benchmark's options out of the arguments; false, having said which, when an
// argument is not one of them.
inline bool InitializeBenchmarks(int* argc, char** argv)
{
    benchmark::Initialize(argc, argv);
    return !benchmark::ReportUnrecognizedArguments(*argc, argv);
}

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

    // One line for each "work/N" whose "floor/N" ran too: both times, and work over floor.
    void PrintRatios(const std::string& work, const std::string& floor)
    {
        for (const auto& [name, times] : Runs()) {
            if (name.compare(0, work.size() + 1, work + "/") != 0)
                continue;
            const auto base = Runs().find(floor + name.substr(work.size()));
            if (base == Runs().end())
                continue;
            if (!m_headerPrinted)
                std::printf("\n%-28s %12s %12s %11s %10s\n", "work", "real", "floor real", "real ratio", "CPU ratio");
            m_headerPrinted = true;
            std::printf("%-28s %12s %12s %10.2fx %9.2fx\n", name.c_str(), Duration(times.real).c_str(),
                        Duration(base->second.real).c_str(), times.real / base->second.real,
                        times.cpu / base->second.cpu);
        }
    }

private:
    struct Times {
        double real; // seconds
        double cpu;
    };
    const std::map<std::string, Times>& Runs() const { return m_median.empty() ? m_single : m_median; }

    // Seconds in the unit that reads best: "3.71 us", "111.20 ms".
    static std::string Duration(double seconds)
    {
        const char* unit = "s";
        for (const char* smaller : {"ms", "us", "ns"}) {
            if (seconds >= 1.0)
                break;
            seconds *= 1e3;
            unit = smaller;
        }
        char text[32];
        std::snprintf(text, sizeof text, "%.2f %s", seconds, unit);
        return text;
    }

    std::map<std::string, Times> m_single;
    std::map<std::string, Times> m_median;
    bool m_headerPrinted = false;
};
