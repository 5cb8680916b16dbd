#include "app/entry.h"

#include <cfenv>

#if defined(__x86_64__) || defined(__i386__)
#include <fpu_control.h>
#include <xmmintrin.h>
#endif

#include "app/shell_handlers.h"
#include "forms/form_layer.h"
#include "image/draw_panel.h"
#include "image/pic_box.h"
#include "loading_dialog/loading_dialog.h"

namespace tavrel {
namespace {

// Module initialisers run before any window exists.
void runModuleInitialisers() { initialiseLoadingDialog(); }

}  // namespace

void resetFloatingPoint() {
#if defined(__x86_64__) || defined(__i386__)
    // x87: 64-bit mantissa, round to nearest, all exceptions masked; SSE: the same rounding and
    // masks, with denormals kept.
    fpu_control_t control = _FPU_DEFAULT;
    _FPU_SETCW(control);
    _mm_setcsr(0x1F80);
#endif
    std::feclearexcept(FE_ALL_EXCEPT);
    std::fesetround(FE_TONEAREST);
}

int runProgram(const forms::WindowDescription& description) {
    forms::initialise();
    resetFloatingPoint();
    // The two picture controls live with the image code; the form layer learns of them here.
    DrawPanel::registerKind();
    PicBox::registerKind();
    forms::registerExitRoutine(&exitRoutine);
    runModuleInitialisers();
    if (!forms::loadWindow(description)) return forms::endProgram(-1);
    return forms::endProgram(forms::runMessageLoop());
}

}  // namespace tavrel
