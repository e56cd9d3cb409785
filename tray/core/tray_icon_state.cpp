#include "tray/core/tray_icon_state.h"

namespace lmx::tray {

int trayIconFor(bool serviceProcessRunning, const SlotSummaries& slots) {
    if (!serviceProcessRunning) return kIconServiceStopped;
    int icon = kIconNoController;
    for (const SlotSummary& slot : slots) {
        if (slot.present != 1) continue;
        if (icon == kIconNoController) icon = kIconAllWell;
        if (slot.raidStatus == kRaidError || slot.raidStatus == kRaidRebuildStopped) return kIconAttention;
    }
    return icon;
}

}  // namespace lmx::tray
