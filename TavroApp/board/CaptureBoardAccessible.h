#pragma once

namespace tavro {

// Lets assistive technology read the board view's painted items: each capture is a list item
// named by its title, with its hover buttons as pressable children. Safe to call more than once.
void installBoardAccessibility();

} // namespace tavro
