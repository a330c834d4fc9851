// No installer on these systems looks for a running program.
#include "common/running_mark.h"

namespace korvane {

void MarkProgramRunning() {}

}  // namespace korvane
