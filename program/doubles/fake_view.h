// SPDX-License-Identifier: MIT
// A window that records what the core asks of it. Plain C++: the core's tests and a fuzz target
// share it.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/form1.h"
#include "core/text.h"

namespace window = zarvo::window;

/// Records every call; runs blocking calls in place.
class FakeView : public window::View {
  public:
    /// The boxes' texts and the options' states as the form table opens them.
    FakeView() {
        for (const window::ControlRow &row : window::kForm) {
            if (row.kind == window::ControlKind::TextBox) {
                texts[window::Box(window::idOf(row.id))] = window::Text(row.text);
            } else if (row.kind == window::ControlKind::Option) {
                selected[window::Option(window::idOf(row.id))] =
                    (row.facts & window::kSelected) != 0;
            }
        }
    }

    window::Text text(window::Box box) const override {
        const auto found = texts.find(box);
        return found == texts.end() ? window::Text() : found->second;
    }
    void setText(window::Box box, const window::Text &text) override {
        texts[box] = text;
        events.push_back("set " + name(box) + " " + window::toUtf8(text));
    }
    void repaint(window::Box box) override { events.push_back("repaint " + name(box)); }
    void setForeColor(window::Box box, std::uint32_t color) override { colors[box] = color; }
    void setMaxLength(window::Box, int) override {}  // the typing limits: tst_form_window
    bool isSelected(window::Option option) const override {
        const auto found = selected.find(option);
        return found != selected.end() && found->second;
    }
    void select(window::Option option) override {
        // The other button of the pair: the option button in the same frame.
        const window::Control frame = window::rowOf(window::controlOf(option)).container;
        for (auto &[other, on] : selected) {
            if (window::rowOf(window::controlOf(other)).container == frame) {
                on = false;
            }
        }
        selected[option] = true;
    }
    void showError(const window::Message &message) override { errors.push_back(message); }
    void showNotice(const window::Message &message) override { notices.push_back(message); }
    void offerChoice(const window::Message &message, const std::vector<window::Text> &items,
                     const window::Text &confirm,
                     std::function<void(std::size_t)> chosen) override {
        offers.push_back({message, items, confirm, std::move(chosen)});
    }
    std::int32_t runBlocking(const std::function<std::int32_t()> &call) override {
        ++blockingCalls;
        if (duringBlockingCall) {
            duringBlockingCall();
        }
        return call();
    }
    void handlerStarted(window::Handler handler) override {
        started.push_back(window::nameOf(handler));
    }
    void closeWindow() override { ++closed; }

    static std::string name(window::Box box) {
        return std::string(window::rowOf(window::controlOf(box)).name);
    }
    std::string utf8(window::Box box) const { return window::toUtf8(text(box)); }

    std::map<window::Box, window::Text> texts;
    std::map<window::Box, std::uint32_t> colors;
    std::map<window::Option, bool> selected;
    std::vector<window::Message> errors, notices;
    /// Each choice offered; a test answers one by calling its chosen.
    struct Offer {
        window::Message message;
        std::vector<window::Text> items;
        window::Text confirm;
        std::function<void(std::size_t)> chosen;
    };
    std::vector<Offer> offers;
    std::vector<std::string> events, started;
    std::function<void()> duringBlockingCall;
    int blockingCalls = 0;
    int closed = 0;
};
