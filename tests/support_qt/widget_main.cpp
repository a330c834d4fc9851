#include "tests/support_qt/widget_tests.h"

int main(int argc, char** argv) { return korvane::test::RunWidgetTests(argc, argv); }
