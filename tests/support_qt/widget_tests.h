#pragma once
// Runs the GoogleTest cases of a widget program: headless unless told
// otherwise, in a scratch folder of its own (no "Sky.bmp", no pwd.txt, no
// staging files of earlier runs) and with settings kept away from the user's.
namespace korvane::test {

int RunWidgetTests(int argc, char** argv);

}  // namespace korvane::test
