// SPDX-FileCopyrightText: 2026 The ORV Lumitra developers
// SPDX-License-Identifier: GPL-3.0-or-later
// A host that records every call the engine makes and answers questions from a script.
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "engine/EngineHost.h"

namespace orv::test {

// A progress window that records what it was told and can press Cancel at a chosen position.
class RecordingProgress : public CProgressDialog {
 public:
  std::vector<std::string>* events = nullptr;
  int cancelAtItemPos = -1;   // press Cancel when the item bar reaches this position
  int cancelAtQueuePos = -1;  // ... on this queue position only (-1: any)

 protected:
  void OnItemChanged() override {
    if (events) events->push_back("item " + std::to_string(ItemPos()));
    if (ItemPos() == cancelAtItemPos && (cancelAtQueuePos < 0 || QueuePos() == cancelAtQueuePos))
      PressCancel();
  }
  void OnStageChanged() override {
    if (events) events->push_back("stage " + StageText());
  }
  void OnQueueChanged() override {
    if (events) events->push_back("queue " + CounterText());
  }
  void OnPicture(const uint8_t*, int w, int h) override {
    if (events) events->push_back("picture " + std::to_string(w) + "x" + std::to_string(h));
  }
  void OnCreate() override {
    if (events) events->push_back("create");
  }
  void OnDestroy() override {
    if (events) events->push_back("destroy");
  }
};

class RecordingHost : public EngineHost {
 public:
  std::vector<std::string> events;
  std::deque<bool> answers;  // answers to the next questions; No when empty
  int cancelAtItemPos = -1;
  int cancelAtQueuePos = -1;

  bool AskYesNo(const std::string& question) override {
    events.push_back("ask " + question);
    if (answers.empty()) return false;
    bool a = answers.front();
    answers.pop_front();
    return a;
  }
  void ShowMessage(const std::string& message) override { events.push_back("message " + message); }
  void ShowHelpPage(const std::string& path) override { events.push_back("help " + path); }
  void ShowListedCamera(bool listed) override {
    events.push_back(listed ? "listed camera" : "camera not listed");
  }
  std::unique_ptr<CProgressDialog> CreateProgressDialog() override {
    auto p = std::make_unique<RecordingProgress>();
    p->events = &events;
    p->cancelAtItemPos = cancelAtItemPos;
    p->cancelAtQueuePos = cancelAtQueuePos;
    return p;
  }

  bool Saw(const std::string& prefix) const {
    for (const std::string& e : events)
      if (e.rfind(prefix, 0) == 0) return true;
    return false;
  }
};

}  // namespace orv::test
