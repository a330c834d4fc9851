#include "app/start_text.h"

void ShowStartText(const std::string& text, bool error, const TextOutlets& outlets) {
    if (outlets.inherited(error)) {
        outlets.writeInherited(text, error);
    } else if (outlets.attachParentConsole()) {
        outlets.writeConsole(text);
    } else {
        outlets.showBox(text, error);
    }
}
