#pragma once
// A value with its own message id and a list of subscribed listeners. Writers store the value
// and then call Notify; subscribers are told synchronously, in the order they subscribed.

#include <algorithm>
#include <utility>
#include <vector>

#include "model/Listener.h"

namespace vlx {

class Subscribers {
 public:
  explicit Subscribers(MessageId id) : id_(id) {}

  MessageId Id() const { return id_; }

  void Subscribe(Listener& listener) {
    if (std::find(listeners_.begin(), listeners_.end(), &listener) == listeners_.end()) {
      listeners_.push_back(&listener);
    }
  }

  void SubscribeAndSend(Listener& listener) {
    Subscribe(listener);
    listener.OnMessage(id_, 0);
  }

  void Unsubscribe(Listener& listener) {
    listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), &listener),
                     listeners_.end());
  }

  void Notify(MessageParam wParam = 0) const {
    // A listener may unsubscribe itself (or another) while handling the message: walk a copy,
    // and skip those that left meanwhile.
    const std::vector<Listener*> snapshot = listeners_;
    for (Listener* listener : snapshot) {
      if (std::find(listeners_.begin(), listeners_.end(), listener) != listeners_.end()) {
        listener->OnMessage(id_, wParam);
      }
    }
  }

 private:
  MessageId id_;
  std::vector<Listener*> listeners_;
};

template <typename T>
class Observable : public Subscribers {
 public:
  explicit Observable(MessageId id, T initial = T{})
      : Subscribers(id), value_(std::move(initial)) {}

  const T& Get() const { return value_; }
  void Set(T value) { value_ = std::move(value); }
  // Stores the value and tells every subscriber.
  void Publish(T value, MessageParam wParam = 0) {
    Set(std::move(value));
    Notify(wParam);
  }

 private:
  T value_;
};

}  // namespace vlx
