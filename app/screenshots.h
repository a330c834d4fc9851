#pragma once
// The hidden --screenshots mode: shows each state the operator can meet and
// saves the whole screen for each, so a person can look at the real window.
#include <QString>

class CKorvaneApp;

void RunScreenshots(CKorvaneApp& app, const QString& dir);
