#pragma once

// Where the podium stands, drawn as a marker above or below the seat grid.
// Exactly one of the two markers is visible at any time: Top shows the upper
// one, Bottom the lower one.
enum class PodiumSide { Top, Bottom };

inline constexpr PodiumSide opposite(PodiumSide side)
{
    return side == PodiumSide::Top ? PodiumSide::Bottom : PodiumSide::Top;
}
