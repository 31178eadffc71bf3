#include "pages/PageOrder.h"

#include "pages/VlPaletteMenuCommon.h"

#include "host/CategoryButtons.h"
#include "host/Forms.h"
#include "host/Registry.h"

#include <QCollator>
#include <QHash>
#include <QLocale>
#include <QSet>

#include <algorithm>
#include <numeric>
#include <vector>

QStringList PaletteCaptions(const host::TCategoryButtons* palette)
{
    QStringList captions;
    if (!palette)
        return captions;
    const host::TButtonCategories* categories = palette->Categories();
    const int count = categories->Count();
    captions.reserve(count);
    for (int i = 0; i < count; ++i)
        captions.append(host::GetStrProp(categories->GetItem(i), "Caption"));
    return captions;
}

QStringList SortedCaptions(QStringList captions)
{
    return CaptionSorter().Sorted(std::move(captions));
}

QStringList CaptionSorter::Sorted(QStringList captions)
{
    std::vector<int> positions;
    return Sorted(std::move(captions), positions);
}

QStringList CaptionSorter::Sorted(QStringList captions, std::vector<int>& positions)
{
    if (captions.size() < 2) {
        positions.assign(static_cast<std::size_t>(captions.size()), 0);
        return captions;
    }
    // The user's collation setting (LC_COLLATE) may name another locale than the language:
    // the order is the collation's.
    const QLocale collation = QLocale().collation();
    if (m_collator && collation == m_locale && captions == m_lastCaptions) {
        positions = m_lastPositions;
        return m_lastSorted;
    }
    if (!m_collator || collation != m_locale) {
        m_locale = collation;
        m_collator.emplace(collation.language() == QLocale::C ? QLocale(QLocale::English, QLocale::UnitedStates)
                                                              : collation);
        m_collator->setCaseSensitivity(Qt::CaseInsensitive);
    }
    const QCollator& collator = *m_collator;
    // One sort key per caption: a build sorts thousands of captions on every opening.
    std::vector<QCollatorSortKey> keys;
    keys.reserve(captions.size());
    for (const QString& caption : captions)
        keys.push_back(collator.sortKey(caption));
    // Equal captions keep their palette order, so each sorted caption's position is where
    // it came from.
    std::vector<int> order(static_cast<std::size_t>(captions.size()));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&keys](int a, int b) {
        return keys[static_cast<std::size_t>(a)].compare(keys[static_cast<std::size_t>(b)]) < 0;
    });
    QStringList sorted;
    sorted.reserve(captions.size());
    for (const int index : order)
        sorted.append(captions[index]);
    m_lastCaptions = std::move(captions);
    m_lastSorted = sorted;
    m_lastPositions = order;
    positions = std::move(order);
    return sorted;
}

QStringList UniquePageCaptions(const QStringList& captions)
{
    QStringList unique;
    unique.reserve(captions.size());
    QSet<QString> names;
    names.reserve(captions.size());
    for (const QString& caption : captions) {
        const qsizetype known = names.size();
        names.insert(host::RegistryNameKey(RemoveAmpersand(caption)));
        if (names.size() != known)
            unique.append(caption);
    }
    return unique;
}

std::vector<int> PalettePositions(const QStringList& palette, const QStringList& sorted)
{
    // Most captions occur once; the positions of those that repeat are listed in order.
    QHash<QString, int> first;
    first.reserve(palette.size());
    QHash<QString, std::vector<int>> repeated;
    for (int i = 0; i < palette.size(); ++i) {
        const auto known = first.constFind(palette[i]);
        if (known == first.constEnd()) {
            first.insert(palette[i], i);
            continue;
        }
        std::vector<int>& positions = repeated[palette[i]];
        if (positions.empty())
            positions.push_back(known.value());
        positions.push_back(i);
    }
    QHash<QString, std::size_t> given; // of a repeated caption, how many positions went
    std::vector<int> positions;
    positions.reserve(static_cast<std::size_t>(sorted.size()));
    for (const QString& caption : sorted) {
        if (!repeated.isEmpty()) {
            if (const auto repeats = repeated.constFind(caption); repeats != repeated.constEnd()) {
                std::size_t& next = given[caption];
                positions.push_back(next < repeats->size() ? (*repeats)[next++] : -1);
                continue;
            }
        }
        positions.push_back(first.value(caption, -1));
    }
    return positions;
}
