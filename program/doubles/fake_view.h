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

/// Records every call; runs blocking calls in place.
class FakeView : public core::View {
  public:
    FakeView() {
        texts[core::Box::Ini] = u"0001";
        texts[core::Box::Fim] = u"1000";
        for (core::Option option : {core::Option::Porredu, core::Option::Pordata,
                                    core::Option::NaImp, core::Option::NoArq}) {
            selected[option] = (core::row(core::controlOf(option)).facts & core::kSelected) != 0;
        }
    }

    core::Text text(core::Box box) const override {
        const auto found = texts.find(box);
        return found == texts.end() ? core::Text() : found->second;
    }
    void setText(core::Box box, const core::Text &text) override {
        texts[box] = text;
        events.push_back("set " + name(box) + " " + core::toUtf8(text));
    }
    void repaint(core::Box box) override { events.push_back("repaint " + name(box)); }
    void setForeColor(core::Box box, std::uint32_t colour) override { colours[box] = colour; }
    void setMaxLength(core::Box box, int characters) override { limits[box] = characters; }
    bool isSelected(core::Option option) const override {
        const auto found = selected.find(option);
        return found != selected.end() && found->second;
    }
    void select(core::Option option) override {
        // The other button of the pair: the option button in the same frame.
        const core::Control frame = core::row(core::controlOf(option)).container;
        for (auto &[other, on] : selected) {
            if (core::row(core::controlOf(other)).container == frame) {
                on = false;
            }
        }
        selected[option] = true;
    }
    void showError(const core::Message &message) override { errors.push_back(message); }
    void showNotice(const core::Message &message) override { notices.push_back(message); }
    std::int32_t runBlocking(const std::function<std::int32_t()> &call) override {
        ++blockingCalls;
        if (duringBlockingCall) {
            duringBlockingCall();
        }
        return call();
    }
    void handlerStarted(core::Handler handler) override {
        started.push_back(core::nameOf(handler));
    }
    void closeWindow() override { ++closed; }

    static std::string name(core::Box box) {
        return std::string(core::row(core::controlOf(box)).name);
    }
    std::string utf8(core::Box box) const { return core::toUtf8(text(box)); }

    std::map<core::Box, core::Text> texts;
    std::map<core::Box, std::uint32_t> colours;
    std::map<core::Box, int> limits;
    std::map<core::Option, bool> selected;
    std::vector<core::Message> errors, notices;
    std::vector<std::string> events, started;
    std::function<void()> duringBlockingCall;
    int blockingCalls = 0;
    int closed = 0;
};
