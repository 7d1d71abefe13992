#pragma once

namespace cli {

// From now on the first SIGINT or SIGTERM asks the run to stop at its next progress point; a second
// one, of either kind, ends the program at once.
void catchInterrupts();

bool interrupted();

// For every thread but the main one, at its start: SIGINT and SIGTERM go to the main thread only. Were
// the second signal handled on another thread while the first still runs its handler, both would merely
// ask to stop, and the program would not end.
void keepInterruptsOffThisThread();

} // namespace cli
