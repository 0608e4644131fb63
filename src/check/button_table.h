// The table of the buttons of the language now loaded.
#pragma once

#include "checker.h"

// The button table of the language now loaded.
void AppendButtonTable(Checker *checker);

struct CommandPlan;
// What the launcher hands to the shell or starts for a command, with the full
// paths: the words of the button table.
std::wstring WhatItRuns(const CommandPlan &plan);
