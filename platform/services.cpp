#include "platform/services.h"

#include "platform/progman.h"

namespace vk::platform {

Services::Services(const Machine& machine, std::unique_ptr<ProcessStarter> processes,
                   std::unique_ptr<Session> session, ProgramLauncherOptions options)
    : processes_(std::move(processes)), session_(std::move(session)) {
  launcher_ = std::make_unique<ProgramLauncher>(machine, *processes_, options);
  progman_ = std::make_shared<ProgmanService>(machine, windows_, options);
  dde_.Register(kProgmanService, progman_);
}

std::unique_ptr<Services> Services::Host(const Machine& machine, ProgramLauncherOptions options) {
  return std::unique_ptr<Services>(
      new Services(machine, MakeHostProcessStarter(), MakeHostSession(), std::move(options)));
}

std::unique_ptr<Services> Services::Recording(const Machine& machine,
                                              ProgramLauncherOptions options) {
  auto processes = std::make_unique<RecordingProcessStarter>();
  auto session = std::make_unique<RecordingSession>();
  RecordingProcessStarter* recordedProcesses = processes.get();
  RecordingSession* recordedSession = session.get();
  auto services = std::unique_ptr<Services>(
      new Services(machine, std::move(processes), std::move(session), std::move(options)));
  services->recordedProcesses_ = recordedProcesses;
  services->recordedSession_ = recordedSession;
  return services;
}

}  // namespace vk::platform
