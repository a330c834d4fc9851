#pragma once
// The form's template: every control with its resource ID as objectName, its
// place in dialog units, its caption, list entries, validator and colours.
#include <vector>

class QWidget;

namespace korvane::form {

// Builds the controls on `form`, whose font must already be the template's,
// and makes the template's size the form's minimum. The buttons are left
// unconnected.
void BuildFormLayout(QWidget& form);

// The controls shown only for the RT-220 (10) and only for the RT-221 (53).
const std::vector<int>& BasicControls();
const std::vector<int>& AddressControls();

}  // namespace korvane::form
