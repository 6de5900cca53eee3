// The panels' controllers are the device library's: made by its factory, reached through their
// virtual operations.
#include "outputs/framework/controller.h"
#include "outputs/framework/panel.h"
#include "common/tagGS.h"

namespace {

class CLibraryController : public OutController {
public:
    CLibraryController(COutCtl* c, int type) : m_c(c), m_stimulator(type == kOutTypePulse || type == kOutTypeSTMA || type == kOutTypeSTM || type == kOutTypeRJ72C) {}
    ~CLibraryController() override { delete m_c; }
    CLibraryController(const CLibraryController&) = delete;
    CLibraryController& operator=(const CLibraryController&) = delete;

    int Count() const override { return m_c->Prefs().GetSize(); }
    OutPref* At(int i) override { return m_c->Prefs().GetAt(i); }
    int Assign(const OutPref* prefs, int count) override { return m_c->Prefs().Init(prefs, count); }
    int OnActivate() override { return m_c->OnActivate(); }
    void OnDeactivate() override { m_c->OnDeactivate(); }
    int DoCmd(OutCmd cmd) override { return m_c->DoCmd(static_cast<OUTCTL_CMD>(cmd)); }
    void ApplyPrefs() override { m_c->ApplyPrefs(); }
    void UpdateLimits() override { m_c->UpdateLimits(); }
    double Resolution() override { return COutSTM::m_resolution; }
    void PeriodRange(double width, double* lo, double* hi, const PrefList* set) override {
        if (!m_stimulator) return;
        auto* stm = static_cast<COutSTM*>(m_c);
        if (!set) {
            stm->GetPeriodRangeForPulseWidth(width, lo, hi, nullptr);
            return;
        }
        COutCtlPrefsSet copy;
        copy.Init(set->data(), static_cast<int32_t>(set->size()));
        stm->GetPeriodRangeForPulseWidth(width, lo, hi, &copy);
    }
    COutCtl* Library() const { return m_c; }

private:
    COutCtl* m_c;
    bool m_stimulator;  // derives from the stimulators' common part
};

OutControllerMaker g_maker = nullptr;

// The library asks which panel of a graph is shown, for the stimulator's start and markers.
int32_t FindPanel(tagGS* graph, stOutputPanelInfo* info) {
    COutCtlView* panel = FindActiveOutputPanel(graph);
    if (!panel || !info) return 0;
    info->window = panel->Window();
    auto* c = dynamic_cast<CLibraryController*>(panel->Controller());
    info->controller = c ? c->Library() : nullptr;
    info->type = panel->GetType();
    return 1;
}

// The two exports, looked up by name once (the library's own test programs link these layers
// inside the library's objects, where an import of them would not resolve); the finder is
// handed over at the same time.
struct LibraryExports {
    COutCtl* (*create)(int32_t type, COutCtlView* view) = nullptr;
};
const LibraryExports& Library() {
    static LibraryExports lib = [] {
        LibraryExports l;
        HMODULE dll = GetModuleHandleA("VK40.dll");
        if (!dll) return l;
        l.create = reinterpret_cast<COutCtl* (*)(int32_t, COutCtlView*)>(
            reinterpret_cast<void*>(GetProcAddress(dll, "CreateOutputController")));
        auto setFinder = reinterpret_cast<void (*)(OutputPanelFinder)>(
            reinterpret_cast<void*>(GetProcAddress(dll, "SetOutputPanelFinder")));
        if (setFinder) setFinder(FindPanel);
        return l;
    }();
    return lib;
}

}  // namespace

OutController* MakeOutController(int type, COutCtlView* view) {
    if (g_maker) return g_maker(type, view);
    const LibraryExports& lib = Library();
    if (!lib.create) return nullptr;
    COutCtl* c = lib.create(type, view);
    if (!c) return nullptr;
    auto* adapter = new (std::nothrow) CLibraryController(c, type);
    if (!adapter) delete c;
    return adapter;
}

void SetOutControllerMaker(OutControllerMaker maker) { g_maker = maker; }

PrefList CopyPrefs(OutController& c) {
    PrefList list;
    for (int i = 0; i < c.Count(); ++i) list.push_back(*c.At(i));
    return list;
}
