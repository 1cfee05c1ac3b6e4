// The file layer's user messages ("ui_msg" numbers): an information box with the message's
// text. Shown through the base layer's alert door, so tests and programs without a GUI only
// record them.
#pragma once

// 256 nothing to write, 258 a file cannot be opened for writing, 259 a write failed, 262 a file
// holds no records, 263 a token or record cannot be read.
void io_ui_msg(int number);
