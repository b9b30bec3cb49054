// SPDX-License-Identifier: MIT
// A window that records what the core asks of it, and the core's fixture against the library
// double.
#pragma once

#include <dlfcn.h>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/form1.h"
#include "core/text.h"
#include "fake_zarvo.h"
#include "scratch_directory.h"

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
    std::vector<std::string> events, started;
    std::function<void()> duringBlockingCall;
    int blockingCalls = 0;
    int closed = 0;
};

/// The double of the link library (fake_zarvo.cpp) through dlopen: the same file Module1 loads.
class FakeLink {
  public:
    explicit FakeLink(const char *path = FAKE_ZARVO_PATH) {
        handle_ = dlopen(path, RTLD_NOW | RTLD_LOCAL);
        if (handle_ == nullptr) {
            throw std::runtime_error(std::string("cannot load the double: ") + dlerror());
        }
    }
    ~FakeLink() { dlclose(handle_); }
    FakeLink(const FakeLink &) = delete;
    FakeLink &operator=(const FakeLink &) = delete;

    template <typename Function>
    Function *get(const char *name) const {
        auto *address = reinterpret_cast<Function *>(dlsym(handle_, name));
        if (address == nullptr) {
            throw std::runtime_error(std::string("the double lacks ") + name);
        }
        return address;
    }
    void reset() const { get<decltype(fake_reset)>("fake_reset")(); }
    void setAbreResult(int32_t port, int32_t result) const {
        get<decltype(fake_set_abre_result)>("fake_set_abre_result")(port, result);
    }
    void setFechaResult(int32_t port, int32_t result) const {
        get<decltype(fake_set_fecha_result)>("fake_set_fecha_result")(port, result);
    }
    /// The next TXRX writes @p reply and CR LF to RespApf.txt and returns 0.
    void pushReply(const std::string &reply) const {
        get<decltype(fake_push_reply)>("fake_push_reply")(reply.c_str());
    }
    /// The next TXRX writes exactly @p bytes as RespApf.txt and returns @p result.
    void pushFile(const std::string &bytes, int32_t result = 0) const {
        get<decltype(fake_push_txrx)>("fake_push_txrx")(bytes.data(), int32_t(bytes.size()),
                                                        result);
    }
    /// The next TXRX leaves RespApf.txt as it is and returns @p result.
    void pushNoFile(int32_t result) const {
        get<decltype(fake_push_txrx)>("fake_push_txrx")(nullptr, 0, result);
    }
    fake_call call(int index) const {
        fake_call out{};
        if (get<decltype(fake_get_call)>("fake_get_call")(index, &out) != 0) {
            throw std::out_of_range("no such call");
        }
        return out;
    }
    /// The calls as "Abre 1", "Fecha 1", "TXRX 1 3 .28" (the command's bytes as they came).
    std::vector<std::string> log() const {
        std::vector<std::string> lines;
        const int count = get<decltype(fake_call_count)>("fake_call_count")();
        for (int i = 0; i < count; ++i) {
            const fake_call c = call(i);
            std::string line = std::string(c.function) + ' ' + std::to_string(c.port);
            if (std::string(c.function) == "TXRX") {
                line += ' ' + std::to_string(c.timeout_s) + ' ' + std::string(c.command);
            }
            lines.push_back(line);
        }
        return lines;
    }

  private:
    void *handle_ = nullptr;
};

using Log = std::vector<std::string>;

/// A fresh core::Form1 on a FakeView in a fresh scratch directory, against the double.
class CoreTest : public ::testing::Test {
  protected:
    CoreTest() {
        core::Module1::setLibraryFile(FAKE_ZARVO_PATH);
        fake.reset();
    }

    /// The text of the one error shown, summary and detail, or "" when none was.
    std::string error() const {
        if (view.errors.size() != 1) {
            return view.errors.empty() ? "" : "several errors";
        }
        return core::toUtf8(view.errors[0].summary + u"\n" + view.errors[0].detail);
    }

    support::ScratchDirectory scratch;
    FakeLink fake;
    FakeView view;
    core::Form1 form{view};
};

inline core::Text u16(const std::string &utf8) {
    return core::fromUtf8(utf8);
}
