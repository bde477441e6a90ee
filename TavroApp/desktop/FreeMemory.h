#pragma once

namespace tavro {

// Hands the pages the allocator holds free back to the system. A whole board read frees as much
// as it keeps (the rows on their way into the board, the view's old entries), and the allocator
// keeps those pages in the process otherwise, resident for as long as the app runs. Safe from any
// thread; it takes each heap's lock in turn, so call it off the GUI thread.
void returnFreeMemory();

} // namespace tavro
