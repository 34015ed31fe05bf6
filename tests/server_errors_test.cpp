// What the user reads when a server call fails: the result-code table as
// the Registers page shows it, the product save table, and the lookup of
// the tool suite's installation folder.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/module.h"
#include "pages/install_path.h"
#include "pages/server_errors.h"
#include "resources/resource.h"
#include "tests/support/hosted_control.h"
#include "tests/support/message_recorder.h"
#include "tests/support/page_helpers.h"
#include "tests/support/product_dll.h"

namespace {

using Texts = std::vector<std::string>;

const char kReadTitle[] = "Error Reading Phone Register";
const char kRegisterDefault[] =
    "The register operation failed. Please check that the phone is on and there is a Lumadex "
    "connection to it. Also, please check that the camera is activated. ";

struct CodeText {
  DWORD code;
  const char* text;
};

// The server's failure codes and their texts, as the user must read them.
const CodeText kServerCodes[] = {
    {0x80040402, "The product name of the product couldn't be determined."},
    {0x80040403, "Connected product doensn't support this function."},
    {0x80040404, "The previous preview file couldn't be deleted."},
    {0x80040405, "The preview file couldn't be copied from the phone to the PC.\n"},
    {0x80040406, "The test is already running."},
    {0x80040407, "The camera ID is out of range. Select another camera and try again."},
    {0x80040408, "Server is busy with another client."},
    {0x80040409, "Hardware error detected."},
    {0x8004040A, "Too many faulty pixels detected."},
    {0x8004040B, "Invalid option flag requested."},
    {0x8004040C, "Not enough memory available."},
    {0x8004040D, "Invalid camera ID. Select another camera and try again."},
    {0x8004040E, "Invalid test mode requested."},
    {0x8004040F, "Not enough battery power left."},
    {0x80040410, "Camera not activated. Activate the camera and try again."},
    {0x80040411, "Unsupported parameter or register ID."},
    {0x80040412, "Invalid image size requested."},
    {0x80040413, "Invalid image format requested."},
    {0x80040414, "Invalid parameters for capture."},
    {0x80040415, "Invalid colour format requested."},
    {0x80040416, "FMAN error occurred."},
    {0x80040417, "Target device is invalid or unavailable. Try again with another device."},
    {0x80040418, "Folder is invalid or read-only. Try again with another folder."},
    {0x80040419, "Duplicate file name, try again with another file name."},
    {0x8004041A, "Out of memory, remove some files and try again."},
    {0x8004041B, "Sensor test results not yet available, try again later."},
    {0x8004041C, "Camera not ready to be operated, user action required."},
    {0x80040423, "Unspecified file system error."},
    {0x80040424, "Name exists or invalid path/file name. Try again with another path/file name."},
    {0x80040425, "No space on logical drive. Try removing some data from drive and try again."},
};

// Codes next to and between the table's runs, the short table's codes and
// failures that are not the server's own.
const DWORD kCodesWithoutText[] = {0x80040400, 0x80040401, 0x8004041D, 0x8004041E,
                                   0x8004041F, 0x80040420, 0x80040421, 0x80040422,
                                   0x80040426, 0x80040502, 0x80004005, 0x80070005};

// Reads only register 0 and answers with `code`; returns the messages shown.
Texts ReadFailingWith(test::HostedControl& host, HWND page, DWORD code) {
  host.Server().ClearResults();
  host.Server().SetResult("ReadRegister", static_cast<HRESULT>(code));
  test::MessageRecorder::Clear();
  host.Click(page, IDC_READ);
  return test::ShownMessages();
}

TEST(ResultCodes, EveryServerCodeShowsItsOwnTextUnderThePageTitle) {
  test::HostedControl host;
  HWND page = test::OpenRegistersPage(host);
  ASSERT_NE(page, nullptr);
  SetDlgItemTextA(page, IDC_LAST_REGISTER, "0");
  for (const CodeText& entry : kServerCodes) {
    SCOPED_TRACE(testing::Message() << std::hex << entry.code);
    EXPECT_EQ(ReadFailingWith(host, page, entry.code),
              (Texts{std::string(kReadTitle) + "|" + entry.text}));
  }
  // Each failure is one box with the error icon and result code 0.
  ASSERT_EQ(test::MessageRecorder::Messages().size(), 1u);
  EXPECT_EQ(test::MessageRecorder::Messages()[0].flags, MB_ICONHAND);
  EXPECT_EQ(test::MessageRecorder::Messages()[0].hr, S_OK);
}

TEST(ResultCodes, CodesOutsideTheTableGiveThePagesOwnText) {
  test::HostedControl host;
  HWND page = test::OpenRegistersPage(host);
  ASSERT_NE(page, nullptr);
  SetDlgItemTextA(page, IDC_LAST_REGISTER, "0");
  for (DWORD code : kCodesWithoutText) {
    SCOPED_TRACE(testing::Message() << std::hex << code);
    EXPECT_EQ(ReadFailingWith(host, page, code),
              (Texts{std::string(kReadTitle) + "|" + kRegisterDefault}));
  }
}

// The product capture page's own table, used directly (that page builds on
// it later).
TEST(ProductSaveCodes, HaveTheirOwnShortTable) {
  fw::Module::SetResourceInstance(test::ProductModule());
  const std::string title = "Error Saving An Image|";
  const CodeText saveCodes[] = {
      {0x8004041D,
       "The camera image couldn't be saved. The camera does not support requested mode. "},
      {0x8004041F, "The camera image couldn't be saved. The phone has not selected camera."},
      {0x80040420, "The camera image couldn't be saved. The camera is not accessible."},
      {0x80040421, "The camera image couldn't be saved. The test results not yet available."},
  };
  const char* capture =
      "The camera image couldn't be captured. Please check that the phone is on and there is a "
      "Lumadex connection to it. Also, please check that the camera is activated. ";
  for (const CodeText& entry : saveCodes) {
    test::MessageRecorder::Clear();
    ShowProductSaveError(static_cast<HRESULT>(entry.code));
    EXPECT_EQ(test::ShownMessages(), (Texts{title + entry.text})) << std::hex << entry.code;
  }
  // Everything else, the main table's codes included, is a failed capture.
  for (DWORD code : {0x8004041EUL, 0x80040422UL, 0x80040410UL, 0x80004005UL}) {
    test::MessageRecorder::Clear();
    ShowProductSaveError(static_cast<HRESULT>(code));
    EXPECT_EQ(test::ShownMessages(), (Texts{title + capture})) << std::hex << code;
  }
  // And the main table knows none of the short table's codes.
  EXPECT_EQ(ServerErrorTextId(static_cast<HRESULT>(0x8004041D), 999u), 999u);
}

// The suite's installation folder as its setup leaves it in the registry.
class InstallPath : public testing::Test {
 protected:
  static constexpr const char* kKey = "Software\\Orvik Mobile Phones\\BexShared\\Common\\InstPath";

  void TearDown() override { RegDeleteKeyA(HKEY_LOCAL_MACHINE, kKey); }

  static bool Store(const std::string& value) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
      return false;
    fw::UniqueRegKey owned(key);
    return RegSetValueExA(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
  }
};

TEST_F(InstallPath, IsReadFromTheDefaultValueOfTheSuitesKey) {
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, kKey);
  std::string path = "unchanged";
  EXPECT_FALSE(GetInstallPath(path));
  EXPECT_EQ(path, "unchanged");

  ASSERT_TRUE(Store("C:\\Program Files\\Bex"));
  EXPECT_TRUE(GetInstallPath(path));
  EXPECT_EQ(path, "C:\\Program Files\\Bex");

  // 255 characters and the terminator fill the 256-byte buffer exactly;
  // one more does not fit and the caller keeps its path.
  const std::string longest = "C:\\" + std::string(252, 'x');
  ASSERT_TRUE(Store(longest));
  EXPECT_TRUE(GetInstallPath(path));
  EXPECT_EQ(path, longest);
  ASSERT_TRUE(Store(longest + "y"));
  path = "kept";
  EXPECT_FALSE(GetInstallPath(path));
  EXPECT_EQ(path, "kept");
}

}  // namespace
