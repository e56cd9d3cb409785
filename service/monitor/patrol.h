#pragma once
// The patrol thread: starts a due scheduled patrol on every normal controller and keeps the
// next patrol time.

#include <functional>

#include "platform/system_time.h"
#include "service/monitor/service_runtime.h"

namespace dwsvc {

// Asks the service, through its own pipe, to start a patrol on a drive; true when the request went out.
using PatrolStarter = std::function<bool(int physicalNumber)>;

// computeNextPatrol: the next time after `from`, kept in the runtime and in the registry.
void computeNextPatrol(ServiceRuntime& runtime, const platform::SystemTime& from);

// patrolCheck: starts the patrol when it is due; a patrol more than a minute late is reported
// as missed instead.
void patrolCheck(ServiceRuntime& runtime, const PatrolStarter& startPatrol);

// The patrol thread's body, until the stop event.
void runPatrolThread(ServiceRuntime& runtime, const PatrolStarter& startPatrol);

}  // namespace dwsvc
