#include "service/monitor/service_runtime.h"

#include "platform/event_log.h"
#include "service/monitor/event_ids.h"
#include "service/monitor/event_writer.h"
#include "service/monitor/service_main.h"

namespace dwsvc {

ServiceRuntime::ServiceRuntime(ServiceWorkers& workers_)
    : workers(workers_), reporter([this](std::uint32_t state) {
          const auto language = this->language.load();
          if (state == platform::kServiceStartPending) {
              writeComposedEvent(language, nullptr, kEventMonitoringStarted, platform::eventlog::kInformationType,
                                 EventTextContext{trayVersionText()});
          } else {
              writeComposedEvent(language, nullptr, kEventMonitoringStopped, platform::eventlog::kInformationType);
          }
      }),
      sendNotifyControl(sendNotifyControlToSelf) {}

}  // namespace dwsvc
