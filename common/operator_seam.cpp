#include "common/operator_seam.h"

#include "common/texts.h"

namespace korvane {

void ShowAppBox(OperatorSeam& op, const std::string& text) {
    op.ShowBox(text, texts::kAppTitle, BoxIcon::Exclamation);
}

}  // namespace korvane
