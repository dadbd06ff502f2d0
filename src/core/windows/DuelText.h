#pragma once

namespace pvx {

// The three duel message templates, each shown in a box of the main window; in each, "%s" stands
// for the local player's name and "%d" for the opponent's.
enum class DuelText { Engage, Won, Lost };

}  // namespace pvx
