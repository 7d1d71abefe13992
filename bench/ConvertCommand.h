#pragma once

// morvane-bench convert …: arguments after the word "convert".
int runConvertCommand(int argc, char **argv);
