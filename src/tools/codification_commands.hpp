// The commands of the codification table.
#pragma once

// VCODIFICATION: the table dialog on the process-wide table, then the table
// is saved to its file, whatever button closed the dialog.
void vcodification();

// c:vcode (also the command VCODE): asks a code and marks the points of the
// current table that have it with temporary crosses (arms of five pixels),
// in a colour that changes at each call (1 to 7, then 1 again).
void c_vcode();
