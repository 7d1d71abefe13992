#pragma once

// morvane-bench perf …: arguments after the word "perf".
int runPerfCommand(int argc, char **argv);
