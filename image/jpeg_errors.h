#pragma once
// libjpeg reports a fatal error by calling error_exit, which must not return: ours jumps back to
// the caller's setjmp so the failure becomes a returned value. Warnings and messages (a cut-short
// file, corrupt data the library works around) are not failures and print nothing.

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace tavrel {

struct JumpingErrorManager {
    jpeg_error_mgr base;  // first, so libjpeg's pointer converts back
    std::jmp_buf jump;
};

[[noreturn]] inline void jumpOnError(j_common_ptr info) {
    std::longjmp(reinterpret_cast<JumpingErrorManager*>(info->err)->jump, 1);
}
inline void ignoreMessage(j_common_ptr, int) {}
inline void ignoreOutput(j_common_ptr) {}

// The value for a compressor's or decompressor's `err`; the caller arms `errors.jump` with setjmp.
inline jpeg_error_mgr* quietJumpingErrors(JumpingErrorManager& errors) {
    jpeg_error_mgr* base = jpeg_std_error(&errors.base);
    errors.base.error_exit = jumpOnError;
    errors.base.emit_message = ignoreMessage;
    errors.base.output_message = ignoreOutput;
    return base;
}

}  // namespace tavrel
