// SPDX-License-Identifier: MIT
// Module1: late binding, the 16-bit conversions, and what a missing library or function does.
#include "core/handler_error.h"
#include "core_test.h"

namespace {

bool isLoaded(const char *path) {
    void *handle = dlopen(path, RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr) {
        return false;
    }
    dlclose(handle);
    return true;
}

// Runs @p steps as a handler and returns the one error it showed, summary and detail.
std::string errorOf(window::Form1 &form, FakeView &view, const std::function<void()> &steps) {
    view.errors.clear();
    form.handleWith(window::Handler{window::Control::Command2, window::Event::Click}, steps);
    return view.errors.size() == 1
               ? window::toUtf8(view.errors[0].summary + u"\n" + view.errors[0].detail)
               : "";
}

// Runs first, before anything of this executable has loaded a library.
TEST(Module1Binding, EachFunctionBoundAtItsFirstCall) {
    zarvo::testing::ScratchDirectory scratch;
    FakeView view;
    window::Form1 form(view);
    EXPECT_EQ(window::Module1::libraryFile(), "libZarvo.so.1");
    // This test executable carries no path to a libZarvo.so, so the ordinary search fails, and
    // each call tries again.
    form.LastReply = u"earlier";
    for (int attempt = 0; attempt < 2; ++attempt) {
        const std::string error = errorOf(form, view, [&] { form.VV(1, 3, u".36S"); });
        EXPECT_NE(error.find("biblioteca"), std::string::npos) << error;
        EXPECT_NE(error.find("libZarvo.so.1"), std::string::npos) << error;
        EXPECT_NE(error.find("cannot open shared object file"), std::string::npos) << error;
    }
    EXPECT_EQ(form.LastReply, u"earlier");

    ASSERT_FALSE(isLoaded(FAKE_ZARVO_NO_TXRX_PATH));
    window::Module1::setLibraryFile(FAKE_ZARVO_NO_TXRX_PATH);
    EXPECT_FALSE(isLoaded(FAKE_ZARVO_NO_TXRX_PATH));  // nothing bound before the first call
    const std::string error = errorOf(form, view, [&] {
        EXPECT_EQ(form.link().Abre(1), 0);  // bound although TXRX is missing
        form.VV(1, 3, u".28");
    });
    EXPECT_NE(error.find("TXRX"), std::string::npos) << error;
    EXPECT_NE(error.find("undefined symbol: TXRX"), std::string::npos) << error;
    const FakeLibrary fake(FAKE_ZARVO_NO_TXRX_PATH);
    // Fecha was bound when the handler stopped, to close the port that Abre had opened.
    EXPECT_EQ(fake.log(), (Log{"Abre 1", "Fecha 1"}));
}

TEST_F(CoreTest, MissingLibraryFileNamedThenFound) {
    window::Module1::setLibraryFile("/nonexistent/folder/libZarvo.so");
    const std::string error = errorOf(form, view, [&] { form.link().Fecha(1); });
    EXPECT_NE(error.find("/nonexistent/folder/libZarvo.so"), std::string::npos) << error;
    EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;

    window::Module1::setLibraryFile(FAKE_ZARVO_PATH);
    EXPECT_EQ(errorOf(form, view, [&] { form.link().Abre(2); }), "");
    EXPECT_EQ(fake.log(), Log{"Abre 2"});
}

struct OverflowCase {
    const char *name;
    const char *function;
    int port, timeout;
    const char *value;
};

class Overflow : public CoreTest, public ::testing::WithParamInterface<OverflowCase> {};

TEST_P(Overflow, ReportedAndNothingSent) {
    const OverflowCase &c = GetParam();
    window::Module1 &link = form.link();
    try {
        if (std::string(c.function) == "Abre") {
            link.Abre(c.port);
        } else if (std::string(c.function) == "Fecha") {
            link.Fecha(c.port);
        } else {
            link.TXRX(c.port, c.timeout, u".28");
        }
        FAIL() << "no overflow reported";
    } catch (const window::HandlerError &error) {
        const std::string summary = window::toUtf8(error.message().summary);
        EXPECT_NE(summary.find("Estouro"), std::string::npos) << summary;
        EXPECT_NE(summary.find(c.value), std::string::npos) << summary;
    }
    EXPECT_EQ(fake.log(), Log{});
}

INSTANTIATE_TEST_SUITE_P(
    Values, Overflow,
    ::testing::Values(OverflowCase{"abre_32768", "Abre", 32768, 0, "32768"},
                      OverflowCase{"fecha_m32769", "Fecha", -32769, 0, "-32769"},
                      OverflowCase{"txrx_port", "TXRX", 40000, 10, "40000"},
                      OverflowCase{"txrx_timeout", "TXRX", 1, 32768, "32768"},
                      OverflowCase{"txrx_timeout_m100000", "TXRX", 1, -100000, "-100000"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(CoreTest, SixteenBitLimitsPass) {
    window::Module1 &link = form.link();
    link.Abre(32767);
    link.Fecha(-32768);
    link.TXRX(-32768, 32767, u"");
    link.TXRX(0, -32768, u"");
    EXPECT_EQ(fake.log(),
              (Log{"Abre 32767", "Fecha -32768", "TXRX -32768 32767 ", "TXRX 0 -32768 "}));
    EXPECT_EQ(view.blockingCalls, 4);  // every call ran as a blocking call of the view
}

TEST_F(CoreTest, ResultsKeepTheirLow16Bits) {
    const std::pair<std::int32_t, int> cases[] = {{0, 0},           {-1, -1},
                                                  {0x7FFF, 0x7FFF}, {0x8000, -32768},
                                                  {0x10001, 1},     {int32_t(0xFFFF0000u), 0},
                                                  {-65537, -1}};
    for (const auto &[libraryResult, seen] : cases) {
        fake.setAbreResult(1, libraryResult);
        fake.setFechaResult(1, libraryResult);
        fake.pushNoFile(libraryResult);
        EXPECT_EQ(form.link().Abre(1), seen) << libraryResult;
        EXPECT_EQ(form.link().Fecha(1), seen) << libraryResult;
        EXPECT_EQ(form.link().TXRX(1, 3, u".28"), seen) << libraryResult;
    }
}

}  // namespace
