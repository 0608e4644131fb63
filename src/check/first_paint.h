// What the launcher reads from the disc up to its first paint and what that
// costs on a real disc; and the two files that make-disc.sh asks for.
#pragma once

#include "checker.h"

// Loads as a user of an unlisted language, keeps what the first paint reads
// as the layout, and writes the files of --reading-order and --autorun-inf.
// 0 when one of them cannot be written.
int PlanDisc(Checker *checker);

// The line of the button table that says what the first paint of the
// language now loaded reads, and how long that takes from a disc.
std::wstring FirstPaintCost(const Checker &checker);

// A note when the first paint of the language now loaded reads more than 4 MiB.
void NoteHeavyFirstPaint(Checker *checker);
