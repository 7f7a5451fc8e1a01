#include "install/range_plan.h"

#include <algorithm>
#include <set>

std::vector<ByteSpan> planRanges(const std::vector<ZipDirectoryEntry>& entries,
                                 const std::vector<size_t>& wanted, uint64_t directoryOffset,
                                 uint64_t maxGap) {
    std::set<uint64_t> starts;
    for (const ZipDirectoryEntry& entry : entries) starts.insert(entry.localHeaderOffset);
    std::vector<ByteSpan> spans;
    for (const size_t index : wanted) {
        const uint64_t first = entries[index].localHeaderOffset;
        const auto next = starts.upper_bound(first);
        const uint64_t end = next == starts.end() ? directoryOffset : *next;
        if (end > first) spans.push_back({first, end - 1});
    }
    std::sort(spans.begin(), spans.end(),
              [](const ByteSpan& a, const ByteSpan& b) { return a.first < b.first; });
    std::vector<ByteSpan> merged;
    for (const ByteSpan& span : spans) {
        if (!merged.empty() && span.first <= merged.back().last + 1 + maxGap)
            merged.back().last = std::max(merged.back().last, span.last);
        else
            merged.push_back(span);
    }
    return merged;
}
