// Lets pending window messages run during long operations (progress
// reports), so a window stays responsive while the link works.
#pragma once

namespace velmar::platform {

class MessagePump {
 public:
  virtual ~MessagePump() = default;
  virtual void ProcessMessages() = 0;
};

class NullMessagePump final : public MessagePump {
 public:
  void ProcessMessages() override {}
};

}  // namespace velmar::platform
