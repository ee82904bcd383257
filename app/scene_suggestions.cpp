#include "app/scene_suggestions.h"

#include <objbase.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shobjidl.h>

#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/scene_checks.h"
#include "resource_ids.h"

namespace {

constexpr int kSuggestingFields[] = {IDC_MAIN_ENTER_SCENE, IDC_MAIN_LEAVE_SCENE, IDC_MAIN_TAB_IN_SCENE,
                                     IDC_MAIN_TAB_OUT_SCENE};
constexpr int kFieldCount = sizeof kSuggestingFields / sizeof kSuggestingFields[0];

// The scenes as the autocomplete asks for them: taken afresh from the list
// at each Reset, which the autocomplete calls before it lists anew.
class SceneNames final : public IEnumString {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (object == nullptr)
            return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IEnumString)) {
            *object = static_cast<IEnumString*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(InterlockedIncrement(&references_)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0)
            delete this;
        return ULONG(left);
    }

    HRESULT STDMETHODCALLTYPE Next(ULONG wanted, LPOLESTR* names, ULONG* given) override
    {
        if (names == nullptr || (wanted > 1 && given == nullptr))
            return E_POINTER;
        ULONG count = 0;
        for (; count < wanted && next_ < scenes_.size(); ++count, ++next_) {
            const std::wstring& scene = scenes_[next_];
            const size_t bytes = (scene.size() + 1) * sizeof(wchar_t);
            names[count] = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
            if (names[count] == nullptr)
                break;
            CopyMemory(names[count], scene.c_str(), bytes);
        }
        if (given != nullptr)
            *given = count;
        return count == wanted ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG count) override
    {
        next_ = count < scenes_.size() - next_ ? next_ + count : scenes_.size();
        return next_ < scenes_.size() ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() override
    {
        scenes_.clear();
        next_ = 0;
        SceneListForFields(&scenes_);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IEnumString** copy) override
    {
        if (copy == nullptr)
            return E_POINTER;
        SceneNames* clone = new SceneNames();
        clone->scenes_ = scenes_;
        clone->next_ = next_;
        *copy = clone;
        return S_OK;
    }

private:
    ~SceneNames() = default;
    LONG references_ = 1;
    std::vector<std::wstring> scenes_;
    size_t next_ = 0;
};

// UI thread only: each field's autocomplete, null where none could be made.
IAutoComplete2* g_autoCompletes[kFieldCount];
IAutoComplete2* g_situationCompletes[kSituationSceneCount];  // while the Scenes dialog is open
bool g_comInitialised;

void AttachTo(HWND dialog, const int* controls, int count, IAutoComplete2** slots)
{
    for (int i = 0; i < count; ++i) {
        IAutoComplete2* complete = nullptr;
        if (FAILED(CoCreateInstance(CLSID_AutoComplete, nullptr, CLSCTX_INPROC_SERVER, IID_IAutoComplete2,
                                    reinterpret_cast<void**>(&complete))))
            continue;
        SceneNames* names = new SceneNames();
        if (SUCCEEDED(complete->Init(GetDlgItem(dialog, controls[i]), names, nullptr, nullptr))) {
            complete->SetOptions(ACO_AUTOSUGGEST | ACO_UPDOWNKEYDROPSLIST);
            slots[i] = complete;
        } else {
            complete->Release();
        }
        names->Release();
    }
}

void ResetEnumerators(IAutoComplete2* const* slots, int count)
{
    for (int i = 0; i < count; ++i) {
        IAutoCompleteDropDown* dropDown = nullptr;
        if (slots[i] == nullptr ||
            FAILED(slots[i]->QueryInterface(IID_IAutoCompleteDropDown, reinterpret_cast<void**>(&dropDown))))
            continue;
        dropDown->ResetEnumerator();
        dropDown->Release();
    }
}

void ReleaseAll(IAutoComplete2** slots, int count)
{
    for (int i = 0; i < count; ++i) {
        if (slots[i] != nullptr)
            slots[i]->Release();
        slots[i] = nullptr;
    }
}

} // namespace

void AttachSceneSuggestions(HWND dialog)
{
    // The autocomplete is a COM object of the shell's, in this thread's
    // apartment; without one the fields work as plain edits.
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return;
    g_comInitialised = true;
    AttachTo(dialog, kSuggestingFields, kFieldCount, g_autoCompletes);
}

void AttachSituationSuggestions(HWND dialog, const int (&controls)[kSituationSceneCount])
{
    if (g_comInitialised)
        AttachTo(dialog, controls, kSituationSceneCount, g_situationCompletes);
}

void RefreshSceneSuggestions()
{
    ResetEnumerators(g_autoCompletes, kFieldCount);
    ResetEnumerators(g_situationCompletes, kSituationSceneCount);
}

void DetachSituationSuggestions()
{
    ReleaseAll(g_situationCompletes, kSituationSceneCount);
}

void DetachSceneSuggestions()
{
    ReleaseAll(g_autoCompletes, kFieldCount);
    ReleaseAll(g_situationCompletes, kSituationSceneCount);
    if (g_comInitialised)
        CoUninitialize();
    g_comInitialised = false;
}
