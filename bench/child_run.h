#pragma once

#include <string>
#include <vector>

namespace zembra::bench {

// One run of a program, its standard output thrown away (the paths it
// prints would only clutter the figures); errors still show.
struct ChildRun {
  int status = -1;       // exit status, -1 when it could not run or was killed
  double seconds = 0;    // wall clock
  double processor = 0;  // user and system time
};

ChildRun Run(std::vector<std::string> args);

}  // namespace zembra::bench
