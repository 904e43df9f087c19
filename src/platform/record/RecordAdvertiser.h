#pragma once
#include <memory>

#include "platform/ServiceAdvertiser.h"
#include "platform/record/Recorder.h"

namespace tarsel {

class RecordAdvertiser : public ServiceAdvertiser {
  public:
    explicit RecordAdvertiser(std::shared_ptr<Recorder> recorder)
        : recorder_(std::move(recorder)) {}
    std::unique_ptr<Advertisement> publish(const std::string& domain, const std::string& type,
                                           const std::string& name, uint16_t port) override;

  private:
    std::shared_ptr<Recorder> recorder_;
};

}  // namespace tarsel
