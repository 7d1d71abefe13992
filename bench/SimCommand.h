#pragma once

// morvane-bench sim: the Oracle stand-in's own figures, through the real OCI driver: peak memory and time
// of the queries a run makes of a large wide table, and sessions writing side by side.
int runSimCommand(int argc, char **argv);
