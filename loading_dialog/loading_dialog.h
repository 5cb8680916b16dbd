#pragma once
// The loading-dialog module: its initialiser (run at start-up before any window exists), its two
// globals, and the window class "NimboLoadDialog". The program itself never opens such a dialog.

#include <cstdint>

#include <QWidget>

#include "image/image_types.h"
#include "loading_dialog/dialog_resources.h"

class QMouseEvent;

namespace tavrel {

inline constexpr const char* kLoadingDialogClass = "NimboLoadDialog";
// The frame dimension "time" of animated pictures.
inline constexpr const char* kFrameDimensionTimeText = "{6AEDBD6D-3FB5-418A-83A6-7F45229DC872}";

// Properties a creator sets on a dialog. The first three hold a ResourceHandle (0: none), the
// last a number.
inline constexpr const char* kThreadProperty = "Nimbo_Thread";
inline constexpr const char* kImageProperty = "Nimbo_Image";
inline constexpr const char* kStreamProperty = "Nimbo_Stream";
// 1: a left-button press in the client area drags the window; anything else or absent: it does not.
inline constexpr const char* kHitMoveProperty = "NimboHitMove";

struct LoadingDialogGlobals {
    // Nothing here needs starting, so the token stays 0; it is never handed to a shutdown.
    std::uint32_t gdiplusToken = 0;
    ByteBuffer frameDimensionGuid;  // 16 bytes once initialised; released by the exit routine
};

LoadingDialogGlobals& loadingDialogGlobals();

// Parses the frame-dimension GUID and registers the window class. Nothing is checked: a failure
// leaves the module unusable and start-up goes on.
void initialiseLoadingDialog();
// The exit routine's first release; an empty buffer costs nothing.
void releaseFrameDimensionGuid();

// Stores a handle or number as a dialog property, in the integer form the dialog reads.
void setDialogProperty(QWidget& dialog, const char* name, std::uint64_t value);

// A window of the class. Closing it destroys it; destroying it releases what its resource
// properties name, each only when set, and leaves the properties as they are.
class LoadingDialog final : public QWidget {
    Q_OBJECT

public:
    LoadingDialog();
    ~LoadingDialog() override;

signals:
    // Raised on each press that asks the system to move the window, whether or not the platform
    // can (the offscreen one cannot).
    void systemMoveRequested();

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    void releaseOwnedResources() noexcept;
};

}  // namespace tavrel
