#include "app/SingleInstance.h"

#include "platform/forms/Forms.h"
#include "platform/forms/SingleInstance.h"

TSingleInstance::TSingleInstance(TForm* owner, const std::string& className,
                                 const std::string& title)
    : TComponent(owner) {
  SetName("SingleInstance1");
  if (ActivateRunningInstance(className, title)) Halt(0);
  registration_ = std::make_unique<TInstanceRegistration>(className, title, owner);
}

TSingleInstance::~TSingleInstance() = default;

bool TSingleInstance::Registered() const {
  return registration_ && registration_->Listening();
}
