#pragma once
// What every operation of the form needs: the protocol procedures, the
// operator seam, and where the parameter lists are staged.
#include <string>

#include "common/operator_seam.h"

namespace korvane {

class LampProtocol;

struct OperationContext {
    LampProtocol& protocol;
    OperatorSeam& op;
    std::string writePath;  // Write.txt: the last parameter request sent
    std::string readPath;   // RHost.txt: a read-back until it has been parsed
};

// Progress dialog of a single-command operation: range 0..100, the bar never moves.
void ShowCommandProgress(OperatorSeam& op, const std::string& text);

}  // namespace korvane
