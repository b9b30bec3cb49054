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
        selected[core::Option::Porredu] = selected[core::Option::NaImp] = true;
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
        const bool mode = option == core::Option::Porredu || option == core::Option::Pordata;
        for (auto other : mode ? std::vector{core::Option::Porredu, core::Option::Pordata}
                               : std::vector{core::Option::NaImp, core::Option::NoArq}) {
            selected[other] = other == option;
        }
    }
    void showError(const core::Message &message) override { errors.push_back(message); }
    void showNotice(const core::Message &message) override { notices.push_back(message); }
    void offerChoice(const core::Message &message, const std::vector<core::Text> &items,
                     const core::Text &confirm, std::function<void(std::size_t)> chosen) override {
        offers.push_back({message, items, confirm, std::move(chosen)});
    }
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
        static const char *const kNames[] = {"Text1", "Text2",   "Text3", "COO", "CCF",
                                             "PAPEL", "Reducao", "LEITX", "Ini", "Fim"};
        return kNames[static_cast<int>(box)];
    }
    std::string utf8(core::Box box) const { return core::toUtf8(text(box)); }

    std::map<core::Box, core::Text> texts;
    std::map<core::Box, std::uint32_t> colours;
    std::map<core::Box, int> limits;
    std::map<core::Option, bool> selected;
    std::vector<core::Message> errors, notices;
    /// Each choice offered; a test answers one by calling its chosen.
    struct Offer {
        core::Message message;
        std::vector<core::Text> items;
        core::Text confirm;
        std::function<void(std::size_t)> chosen;
    };
    std::vector<Offer> offers;
    std::vector<std::string> events, started;
    std::function<void()> duringBlockingCall;
    int blockingCalls = 0;
    int closed = 0;
};
