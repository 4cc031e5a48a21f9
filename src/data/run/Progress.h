#pragma once

namespace qdt::run {

// The share done, in single precision as the bars have always shown it. A
// count taken before the rows were read may be stale or 0: never past 100.
inline float Percent(double done, double total) {
    if (total <= 0) return 100.0f;
    const float share = static_cast<float>(done) / static_cast<float>(total) * 100.0f;
    return share > 100.0f ? 100.0f : share;
}

}  // namespace qdt::run
