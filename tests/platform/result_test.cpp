// Result code texts and the thread's error info.

#include "platform/com/error_info.h"
#include "platform/com/result.h"

#include <QSet>
#include <gtest/gtest.h>
#include <thread>

namespace {

TEST(ResultCodes, EveryFailureTheRuntimeReturnsHasItsOwnText) {
    const com::HRESULT codes[] = {
        com::E_NOTIMPL,
        com::E_NOINTERFACE,
        com::E_POINTER,
        com::E_FAIL,
        com::E_OUTOFMEMORY,
        com::E_INVALIDARG,
        com::DISP_E_MEMBERNOTFOUND,
        com::DISP_E_PARAMNOTFOUND,
        com::DISP_E_BADPARAMCOUNT,
        com::DISP_E_TYPEMISMATCH,
        com::DISP_E_EXCEPTION,
        com::DISP_E_UNKNOWNNAME,
        com::DISP_E_NONAMEDARGS,
        com::REGDB_E_CLASSNOTREG,
        com::REGDB_E_READREGDB,
        com::REGDB_E_WRITEREGDB,
        com::CLASS_E_NOAGGREGATION,
        com::CLASS_E_CLASSNOTAVAILABLE,
        com::CO_E_CLASSSTRING,
        com::CO_E_ERRORINDLL,
        com::ERROR_MOD_NOT_FOUND_RESULT,
        com::ERROR_BAD_EXE_FORMAT_RESULT,
        com::SELFREG_E_CLASS,
    };
    QSet<QString> texts;
    for (com::HRESULT hr : codes) {
        EXPECT_TRUE(com::failed(hr)) << com::resultHex(hr).toStdString();
        const QString text = com::resultText(hr);
        EXPECT_NE(text, QStringLiteral("Error %1.").arg(com::resultHex(hr))) << text.toStdString();
        texts.insert(text);
    }
    EXPECT_EQ(texts.size(), static_cast<qsizetype>(std::size(codes)));
}

TEST(ResultCodes, UsualNumericValues) {
    EXPECT_EQ(com::resultHex(com::REGDB_E_CLASSNOTREG), QStringLiteral("0x80040154"));
    EXPECT_EQ(com::resultHex(com::E_NOINTERFACE), QStringLiteral("0x80004002"));
    EXPECT_EQ(com::resultHex(com::ERROR_MOD_NOT_FOUND_RESULT), QStringLiteral("0x8007007E"));
    EXPECT_EQ(com::resultHex(com::DISP_E_PARAMNOTFOUND), QStringLiteral("0x80020004"));
    EXPECT_EQ(com::resultHex(com::S_OK), QStringLiteral("0x00000000"));
}

TEST(ResultCodes, LibraryErrorNumbersTravelInsideTheCode) {
    const com::HRESULT hr = com::controlErrorResult(3078);
    EXPECT_EQ(com::resultHex(hr), QStringLiteral("0x800A0C06"));
    EXPECT_EQ(com::controlErrorNumber(hr), 3078);
    EXPECT_EQ(com::resultText(hr), QStringLiteral("Error 3078."));
    EXPECT_EQ(com::controlErrorNumber(com::E_FAIL), 0);
    EXPECT_EQ(com::resultText(com::hresult(0x80041234)), QStringLiteral("Error 0x80041234."));
}

TEST(ErrorInfo, TakenOnceAndOnlyOnItsOwnThread) {
    com::clearErrorInfo();
    com::raiseError(com::E_FAIL, QStringLiteral("here"), QStringLiteral("it broke"), 7);
    std::optional<com::ErrorInfo> elsewhere{com::ErrorInfo{}};
    std::thread([&] { elsewhere = com::takeErrorInfo(); }).join();
    EXPECT_FALSE(elsewhere);

    EXPECT_EQ(com::describeFailure(com::E_FAIL), QStringLiteral("it broke"));
    // Another code than the one recorded: the record does not belong to it.
    EXPECT_EQ(com::describeFailure(com::E_POINTER), com::resultText(com::E_POINTER));
    const auto info = com::takeErrorInfo();
    ASSERT_TRUE(info);
    EXPECT_EQ(info->number, 7);
    EXPECT_EQ(info->source, QStringLiteral("here"));
    EXPECT_FALSE(com::takeErrorInfo());
}

} // namespace
