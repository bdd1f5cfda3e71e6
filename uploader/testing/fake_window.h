// A window for tests: edit boxes held in a map, and a record of every status
// text, notice and clipboard write. Safe from any thread. Workers run on
// std::threads that join_workers() (and the destructor) wait for.
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "text/values.h"
#include "uploader/controls.h"
#include "uploader/window_services.h"

namespace quillon::testing {

class FakeWindow : public WindowServices {
 public:
  // The main window's edit boxes, in definition order, all empty.
  FakeWindow() : FakeWindow(TextList{kPasswordBox, kAccountBox, kSiteBox, kFileBox}) {}
  explicit FakeWindow(TextList boxes) : boxes_(std::move(boxes)) {
    for (const Text& box : boxes_) fields_[box.str()] = Text();
  }
  ~FakeWindow() override { join_workers(); }

  Text field_text(const Text& box) override {
    std::lock_guard lock(mutex_);
    const auto it = fields_.find(box.str());
    return it == fields_.end() ? Text() : it->second;
  }
  void set_field_text(const Text& box, const Text& text) override {
    std::lock_guard lock(mutex_);
    fields_[box.str()] = text;
  }
  TextList edit_boxes() override {
    std::lock_guard lock(mutex_);
    return boxes_;
  }
  void* field_window(const Text&) override { return nullptr; }
  void set_status_text(const Text& text) override {
    std::lock_guard lock(mutex_);
    statuses_.push_back(text);
  }
  void show_notice(const Text& text) override {
    std::lock_guard lock(mutex_);
    notices_.push_back(text);
  }
  bool set_clipboard_text(const Text& text) override {
    std::lock_guard lock(mutex_);
    clipboard_writes_.push_back(text);
    return true;
  }
  void start_worker(std::function<void()> routine) override {
    std::lock_guard lock(mutex_);
    workers_.emplace_back(std::move(routine));
  }

  // Waits for every worker started so far.
  void join_workers() {
    std::vector<std::thread> workers;
    {
      std::lock_guard lock(mutex_);
      workers.swap(workers_);
    }
    for (std::thread& worker : workers) worker.join();
  }

  TextList statuses() const {
    std::lock_guard lock(mutex_);
    return statuses_;
  }
  TextList notices() const {
    std::lock_guard lock(mutex_);
    return notices_;
  }
  TextList clipboard_writes() const {
    std::lock_guard lock(mutex_);
    return clipboard_writes_;
  }

 private:
  mutable std::mutex mutex_;
  TextList boxes_;
  std::map<std::string, Text> fields_;
  TextList statuses_;
  TextList notices_;
  TextList clipboard_writes_;
  std::vector<std::thread> workers_;
};

}  // namespace quillon::testing
