#include "tests/support/fake_help_resolver.h"

#include "HostFramework.h"
#include "framework/com_object.h"
#include "tests/support/text.h"

namespace test {

struct FakeHelpResolver::State {
  enum class Mode { Unchanged, Path, Empty, Null, Failure } mode = Mode::Unchanged;
  std::wstring path;
  HRESULT failure = E_FAIL;
  std::vector<std::wstring> asked;
};

namespace {

class HelpFileResolver : public fw::ComObjectRoot, public IHelpFileResolver {
 public:
  explicit HelpFileResolver(std::shared_ptr<FakeHelpResolver::State> s) : state(std::move(s)) {}

  FW_BEGIN_INTERFACES(HelpFileResolver)
  FW_INTERFACE(IHelpFileResolver)
  FW_END_INTERFACES

  STDMETHODIMP ResolveHelpFile(BSTR path, long* reserved, BSTR* resolvedPath) override {
    using Mode = FakeHelpResolver::State::Mode;
    if (!reserved || !resolvedPath) return E_POINTER;
    state->asked.push_back(path ? path : L"");
    *resolvedPath = nullptr;
    switch (state->mode) {
      case Mode::Failure:
        return state->failure;
      case Mode::Null:
        break;
      case Mode::Empty:
        *resolvedPath = SysAllocString(L"");
        break;
      case Mode::Path:
        *resolvedPath = SysAllocString(state->path.c_str());
        break;
      case Mode::Unchanged:
        *resolvedPath = SysAllocString(path ? path : L"");
        break;
    }
    *reserved = 0;
    return S_OK;
  }

 private:
  std::shared_ptr<FakeHelpResolver::State> state;
};

}  // namespace

FakeHelpResolver::FakeHelpResolver() : state(std::make_shared<State>()) {
  std::shared_ptr<State> shared = state;
  registration.Register(CLSID_HelpFileResolver, [shared](REFIID iid, void** ppv) {
    return fw::CreateComObject<HelpFileResolver>(nullptr, iid, ppv, shared);
  });
}

FakeHelpResolver::~FakeHelpResolver() = default;

void FakeHelpResolver::ResolveTo(const std::wstring& path) {
  state->mode = State::Mode::Path;
  state->path = path;
}

void FakeHelpResolver::ResolveToEmpty() {
  state->mode = State::Mode::Empty;
}

void FakeHelpResolver::ResolveToNull() {
  state->mode = State::Mode::Null;
}

void FakeHelpResolver::Fail(HRESULT hr) {
  state->mode = State::Mode::Failure;
  state->failure = hr;
}

void FakeHelpResolver::ResolveUnchanged() {
  state->mode = State::Mode::Unchanged;
}

std::vector<std::string> FakeHelpResolver::Asked() const {
  std::vector<std::string> result;
  for (const auto& path : state->asked)
    result.push_back(Narrow(path));
  return result;
}

}  // namespace test
