#pragma once

// The first click of a two-click seat swap. It remembers a seat position, not
// a name: if the room is rearranged between the two clicks, the second click
// swaps with whatever name then stands at the remembered position.
struct SwapSelection {
    bool pending = false;  // a first seat has been clicked and awaits its partner
    int selectedIndex = 0; // that seat's index; 0 when nothing is pending

    friend bool operator==(const SwapSelection &, const SwapSelection &) = default;
};
