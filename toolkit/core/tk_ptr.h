// Memory blocks of the toolkit core. Every block is handed out cleared; its size is kept with
// it so that a block can be resized and its size read back. A failed allocation or a misuse
// (bad size, null block) calls the current failure procedure with a failure code and returns
// null (or does nothing); the procedure is program-wide and can be swapped around a call.
#pragma once

#include <cstddef>

// Failure codes handed to the failure procedure.
enum TkPtrFail : int {
  TK_PTR_NO_MEMORY = 0,     // the system has no memory for the block
  TK_PTR_BAD_SIZE = 1,      // a size of zero or beyond the allocator's limit was asked for
  TK_PTR_NULL_BLOCK = 2,    // a null block was passed to PTR_Dispose or PTR_SetSize
  TK_PTR_OVERWRITTEN = 3,   // the guard around a block was found damaged
  TK_PTR_TWICE = 5,         // a block was released twice (not detected by this allocator)
};

using TkPtrErrorProc = int (*)(int fail_code);

void* PTR_New(std::size_t size);                       // new cleared block, null on failure
void* PTR_NewClear(std::size_t size);                  // new cleared large block, null on failure
void PTR_Dispose(void* block);                         // release a PTR_New block (null reports code 2)
void PTR_DisposeLarge(void* block);                    // release a PTR_NewClear block; null is ignored
void* PTR_SetSize(void* block, std::size_t size);      // resize; new bytes cleared; null on failure (block kept)
std::size_t PTR_GetSize(const void* block);            // size asked for the block, 0 for null
TkPtrErrorProc PTR_GetErrorProc();                     // current failure procedure (may be null)
void PTR_SetErrorProc(TkPtrErrorProc proc);            // replace the failure procedure

// Largest block the allocator hands out; larger requests fail with TK_PTR_BAD_SIZE.
constexpr std::size_t TK_PTR_MAX_SIZE = std::size_t(1) << 40;
