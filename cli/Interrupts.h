#pragma once

namespace cli {

// From now on the first SIGINT or SIGTERM asks the run to stop at its next progress point; a second
// one, of either kind, ends the program at once.
void catchInterrupts();

bool interrupted();

} // namespace cli
