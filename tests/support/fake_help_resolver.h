// The host's help resolver (IHelpFileResolver, CLSID_HelpFileResolver) for
// the tests that want one: while the object lives, its class object is
// registered in this process; it records every path asked and answers
// what the test chose (by default the path unchanged).
//
//   test::FakeHelpResolver resolver;
//   resolver.ResolveTo(L"C:\\help\\moved.hlp");
//   ... the control opens help ...
//   EXPECT_EQ(resolver.Asked(), (std::vector<std::string>{"C:\\...\\cmn_camera_control.hlp"}));
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/support/class_object.h"

namespace test {

class FakeHelpResolver {
 public:
  FakeHelpResolver();
  ~FakeHelpResolver();
  FakeHelpResolver(const FakeHelpResolver&) = delete;
  FakeHelpResolver& operator=(const FakeHelpResolver&) = delete;

  bool Registered() const { return registration.Registered(); }

  // S_OK and this path; by default the path asked, unchanged.
  void ResolveTo(const std::wstring& path);

  // The paths asked, in ANSI, in order.
  std::vector<std::string> Asked() const;

  struct State;

 private:
  std::shared_ptr<State> state;
  ClassRegistration registration;
};

}  // namespace test
