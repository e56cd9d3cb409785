#pragma once

namespace dwsvc {

// sweepNotificationArea: moves the mouse over the promoted and the overflow notification areas
// so that the shell re-checks its icons and drops those of ended programs.
void sweepNotificationArea();

}  // namespace dwsvc
