#include "core/windows/WindowGeometry.h"

#include <algorithm>
#include <array>
#include <optional>

namespace pvx {

TwipsRect centerForm(TwipsRect window, float screenWidth, float screenHeight) {
  window.left = (screenWidth - window.width) / 2.0f;
  window.top = (screenHeight - window.height) / 2.0f;
  return window;
}

TwipsRect keepInside(TwipsRect window, const TwipsRect& area) {
  // An area of no size (no screen known) places nothing.
  if (area.width <= 0 || area.height <= 0)
    return window;
  window.left = std::max(std::min(window.left, area.right() - window.width), area.left);
  window.top = std::max(std::min(window.top, area.bottom() - window.height), area.top);
  return window;
}

TwipsRect keepPairInside(TwipsRect main, float belowHeight, const TwipsRect& area) {
  TwipsRect pair = main;
  pair.height += belowHeight;
  pair = keepInside(pair, area);
  main.left = pair.left;
  main.top = pair.top;
  return main;
}

namespace {

enum class Side { Right, Left, Below, Above };

// A free part of the area on one side of the windows a placed window keeps clear of.
struct Room {
  Side side;
  TwipsRect free;
};

bool holds(const TwipsRect& free, TwipsSize size) {
  return free.width >= size.width && free.height >= size.height;
}

// A window of the given size in the room, as close to the main window as it allows.
TwipsRect inRoom(const Room& room, TwipsSize size, const TwipsRect& main) {
  TwipsRect window{0, 0, size.width, size.height};
  switch (room.side) {
    case Side::Right:
      window.left = room.free.left;
      window.top = main.top;
      break;
    case Side::Left:
      window.left = room.free.right() - size.width;
      window.top = main.top;
      break;
    case Side::Below:
      window.left = main.left;
      window.top = room.free.top;
      break;
    case Side::Above:
      window.left = main.left;
      window.top = room.free.bottom() - size.height;
      break;
  }
  return keepInside(window, room.free);
}

// The rooms right of, left of, below and above the windows kept clear of (kept), gap apart.
std::array<Room, 4> roomsAround(const TwipsRect& kept, float gap, const TwipsRect& area) {
  const float right = kept.right() + gap, left = kept.left - gap;
  const float below = kept.bottom() + gap, above = kept.top - gap;
  return {{
      {Side::Right, {right, area.top, area.right() - right, area.height}},
      {Side::Left, {area.left, area.top, left - area.left, area.height}},
      {Side::Below, {area.left, below, area.width, area.bottom() - below}},
      {Side::Above, {area.left, area.top, area.width, above - area.top}},
  }};
}

float overlap(const TwipsRect& a, const TwipsRect& b) {
  const float width = std::min(a.right(), b.right()) - std::max(a.left, b.left);
  const float height = std::min(a.bottom(), b.bottom()) - std::max(a.top, b.top);
  return width > 0 && height > 0 ? width * height : 0;
}

}  // namespace

TwipsRect placeBesideMain(const BesideMain& where) {
  const TwipsRect& main = where.main;
  const TwipsSize wanted = where.wanted;
  if (where.area.width <= 0 || where.area.height <= 0)
    return {main.right() + where.gap, main.top, wanted.width, wanted.height};

  // The main window with the player window's place below it; above, only the main window.
  TwipsRect pair = main;
  pair.height += where.playerHeight;
  std::array<Room, 4> rooms = roomsAround(pair, where.gap, where.area);
  rooms[3] = roomsAround(main, where.gap, where.area)[3];

  for (const Room& room : rooms) {
    if (holds(room.free, wanted))
      return inRoom(room, wanted, main);
  }

  // Smaller: as much of the size it wants as the room has.
  const auto shrunk = [&](const Room& room) {
    TwipsSize size{std::min(wanted.width, room.free.width),
                   std::min(wanted.height, room.free.height)};
    const bool beside = room.side == Side::Right || room.side == Side::Left;
    if (beside && size.width < wanted.width)
      size.height = std::min(std::max(wanted.height, pair.height), room.free.height);
    return inRoom(room, size, main);
  };
  for (const Room& room : rooms) {
    if (holds(room.free, where.smallest))
      return shrunk(room);
  }
  const Room overPlayer = roomsAround(main, where.gap, where.area)[2];
  if (holds(overPlayer.free, where.smallest))
    return shrunk(overPlayer);

  // At its smallest, on the side where it covers the least of the main window.
  std::optional<TwipsRect> least;
  for (const Room& room : roomsAround(main, where.gap, where.area)) {
    const TwipsRect window = keepInside(inRoom(room, where.smallest, main), where.area);
    if (!least || overlap(window, main) < overlap(*least, main))
      least = window;
  }
  return *least;
}

}  // namespace pvx
