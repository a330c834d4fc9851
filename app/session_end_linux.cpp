#include <QWidget>

#include "app/session_end.h"

struct SessionEndGuard::Filter {};

SessionEndGuard::SessionEndGuard(QWidget&) {}
SessionEndGuard::~SessionEndGuard() = default;
