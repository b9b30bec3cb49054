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

// Runs first, before anything of this executable has loaded a library (CoreTest would load the
// double).
TEST(Module1Binding, EachFunctionBoundAtItsFirstCall) {
    zarvo::testing::ScratchDirectory scratch;
    FakeView view;
    window::Form1 form(view);
    const auto errorOf = [&](const std::function<void()> &steps) {
        view.errors.clear();
        form.handleWith(click(Control::Command2), steps);
        return oneMessage(view.errors);
    };
    EXPECT_EQ(window::Module1::libraryFile(), "libZarvo.so.1");
    // This test executable carries no path to a libZarvo.so, so the ordinary search fails, and
    // each call tries again.
    form.LastReply = u"earlier";
    for (int attempt = 0; attempt < 2; ++attempt) {
        const std::string error = errorOf([&] { form.VV(1, 3, u".36S"); });
        for (const char *part : {"biblioteca", "libZarvo.so.1", "cannot open shared object file"}) {
            EXPECT_NE(error.find(part), std::string::npos) << error;
        }
    }
    EXPECT_EQ(form.LastReply, u"earlier");

    ASSERT_FALSE(isLoaded(FAKE_ZARVO_NO_TXRX_PATH));
    window::Module1::setLibraryFile(FAKE_ZARVO_NO_TXRX_PATH);
    EXPECT_FALSE(isLoaded(FAKE_ZARVO_NO_TXRX_PATH));  // nothing bound before the first call
    const std::string error = errorOf([&] {
        EXPECT_EQ(form.link().Abre(1), 0);  // bound although TXRX is missing
        form.VV(1, 3, u".28");
    });
    EXPECT_NE(error.find("a função TXRX"), std::string::npos) << error;
    EXPECT_NE(error.find("undefined symbol: TXRX"), std::string::npos) << error;
    const FakeLibrary fake(FAKE_ZARVO_NO_TXRX_PATH);
    // Fecha was bound when the handler stopped, to close the port that Abre had opened.
    EXPECT_EQ(fake.log(), (Log{"Abre 1", "Fecha 1"}));
}

TEST_F(CoreTest, MissingLibraryFileNamedThenFound) {
    window::Module1::setLibraryFile("/nonexistent/folder/libZarvo.so");
    const std::string error = errorOf([&] { form.link().Fecha(1); });
    EXPECT_NE(error.find("/nonexistent/folder/libZarvo.so"), std::string::npos) << error;
    EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;

    window::Module1::setLibraryFile(FAKE_ZARVO_PATH);
    EXPECT_EQ(errorOf([&] { form.link().Abre(2); }), "");
    EXPECT_EQ(fake.log(), Log{"Abre 2"});
}

// A port or timeout beyond 16 bits is told and nothing is sent; the limits themselves pass, each
// call as a blocking call of the view.
TEST_F(CoreTest, SixteenBitArguments) {
    window::Module1 &link = form.link();
    const std::pair<std::function<void()>, std::string> overflows[] = {
        {[&] { link.Abre(32768); }, "a porta 32768 "},
        {[&] { link.Fecha(-32769); }, "a porta -32769 "},
        {[&] { link.TXRX(40000, 10, u".28"); }, "a porta 40000 "},
        {[&] { link.TXRX(1, 32768, u".28"); }, "o tempo de espera 32768 "},
        {[&] { link.TXRX(1, -100000, u".28"); }, "o tempo de espera -100000 "}};
    for (const auto &[call, value] : overflows) {
        std::string summary = "no overflow reported";
        try {
            call();
        } catch (const window::HandlerError &error) {
            summary = window::toUtf8(error.message().summary);
        }
        EXPECT_NE(summary.find("Estouro: " + value), std::string::npos) << summary;
    }
    link.Abre(32767);
    link.Fecha(-32768);
    link.TXRX(-32768, 32767, u"");
    link.TXRX(0, -32768, u"");
    EXPECT_EQ(fake.log(),
              (Log{"Abre 32767", "Fecha -32768", "TXRX -32768 32767 ", "TXRX 0 -32768 "}));
    EXPECT_EQ(view.blockingCalls, 4);
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
