#include "platform/record/RecordAdvertiser.h"

namespace tarsel {
namespace {

class RecordedAdvertisement : public Advertisement {
  public:
    RecordedAdvertisement(std::shared_ptr<Recorder> r, Json fields)
        : recorder_(std::move(r)), fields_(std::move(fields)) {}
    ~RecordedAdvertisement() override { recorder_->write("advertise_stop", fields_); }

  private:
    std::shared_ptr<Recorder> recorder_;
    Json fields_;
};

}  // namespace

std::unique_ptr<Advertisement> RecordAdvertiser::publish(const std::string& domain,
                                                         const std::string& type,
                                                         const std::string& name, uint16_t port) {
    Json fields = {{"domain", domain}, {"type", type}, {"name", name}, {"port", port}};
    recorder_->write("advertise", fields);
    logAdvertised(name, port);  // recorded is published, here
    return std::make_unique<RecordedAdvertisement>(recorder_, fields);
}

}  // namespace tarsel
