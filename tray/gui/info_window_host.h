#pragma once
// What the RAID information window's two forms need of the main frame: its kept table of
// controller status records, the settings copies, the mirror-log hand-over area, the slot on
// view they share, and the requests they send it. The frame implements it; everything runs on
// the window thread.

#include <cstdint>

#include "tray/core/frame_settings.h"
#include "tray/core/service_pipe_client.h"
#include "tray/core/string_source.h"

namespace lmx::tray {

// currentSlot when the tree form's selection stands for no present controller.
inline constexpr int kNoSlotOnView = -1;

class InformationWindowHost {
public:
    virtual ~InformationWindowHost() = default;

    virtual const PacketTable& keptPackets() const = 0;
    // The copies of the service's settings (read from the registry, changed by the settings
    // dialogs in place before the frame sends them).
    virtual FrameSettings& settings() = 0;
    // The mirror-log pages as the last requests left them.
    virtual const LogPages& logPages() const = 0;
    // The slot (0..5) whose data is on view, shared by both forms.
    virtual int& currentSlot() = 0;
    virtual const StringSource& texts() const = 0;

    // A request to the frame, handled before this returns.
    virtual std::intptr_t sendToFrame(std::uint32_t message, std::uintptr_t wParam = 0) = 0;
    // Fetches mirror-log page `pageNum` (0 or 1) of slot `phyNum` into the hand-over area.
    virtual void requestGetLog(int phyNum, int pageNum) = 0;
    // Shows the form DialogSetting selects, hiding the other.
    virtual void showInfoDialog() = 0;
    // Opens the help file; false when there is none to open.
    virtual bool openHelp() = 0;
    // ServiceRunning is 1 and the service's process runs.
    virtual bool serviceRunning() const = 0;
};

}  // namespace lmx::tray
