#pragma once

// Thrown by a page action that has already told the user what is wrong (or that ends on the user's own
// Stop): the move to the next page stops and no error box is shown.
struct SilentAbort {};
