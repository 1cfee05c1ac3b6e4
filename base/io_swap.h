// Byte-order conversions for files written in the other byte order. All work in place on memory
// a reader has just filled from the file.
#pragma once

void io_swap_short(void* p);   // 2 bytes reversed
void io_swap_long(void* p);    // 4 bytes reversed
void io_swap_double(void* p);  // 8 bytes reversed
// The eight bits of one byte in reverse order (bit 0 becomes bit 7, and so on).
void io_reverse_bits(unsigned char* b);

// Packed bit-field flag words whose fields were laid out from the most significant bit are
// brought to the layout from the least significant bit, keeping each multi-bit field's value.
// Call them after the word's bytes have been reversed.
void io_swap_lane_flags(void* p);   // 4 bytes: the bits of each byte reversed
void io_swap_spot_flags(void* p);   // 8 bytes: a 32-bit flag word and four more bytes
void io_swap_spot_flags2(void* p);  // 4 bytes: one flag word
