#pragma once
// How a window's controls follow it beyond its smallest size: the list grows, the buttons keep
// to the right edge and what lies below the list to the bottom edge.
namespace quillon::frontend {

enum Follow : unsigned { kStay = 0, kMoveRight = 1, kMoveDown = 2, kWiden = 4, kHeighten = 8 };

struct LayoutRect {
  int x = 0, y = 0, width = 0, height = 0;
};

// Where a control that sits at smallest in the smallest window goes in a window dx wider and
// dy taller (neither below 0).
constexpr LayoutRect Followed(const LayoutRect& smallest, unsigned follow, int dx, int dy) {
  dx = dx > 0 ? dx : 0;
  dy = dy > 0 ? dy : 0;
  return {smallest.x + ((follow & kMoveRight) ? dx : 0), smallest.y + ((follow & kMoveDown) ? dy : 0),
          smallest.width + ((follow & kWiden) ? dx : 0), smallest.height + ((follow & kHeighten) ? dy : 0)};
}

}  // namespace quillon::frontend
