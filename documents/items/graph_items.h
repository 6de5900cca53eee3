// Drawn items of a graph: coloured dots and straight lines at positions in the graph's own units,
// placed by lesson scripts and by the standard-curve tool, drawn with the document on screen, on
// paper and in pictures, and stored in its graph file.
#pragma once
#include <windows.h>
#include <cstdint>
#include <memory>
#include <vector>

struct tagGS;
class CByteReader;
class CByteWriter;
class CGraphItemList;

// The widest line and the largest dot an item can have, in pixels: a larger width in a file is
// damage, and one given by a lesson is cut to it.
constexpr int32_t kMaxItemPixels = 1000;

// Where items land: graph units to pixels with the document's display mapping. In XY mode x is
// a value of the horizontal reference channel; in Scope and Chart modes it is a time on the
// axis, counted from the view's start (xOrigin).
struct stItemMapping {
    double xScale, xZero;  // of the horizontal reference channel, or of the time axis
    double yScale, yZero;  // of the selected channel
    int32_t plotWidth;
    double xOrigin = 0.0;
};
stItemMapping ItemMappingOf(const tagGS* gs);
// Pixels of a point, truncated toward zero; page shift and factors as printing passes them.
// Entry point kept for a later caller; only tests call it now.
POINT ItemPixel(const stItemMapping& m, double x, double y, int pageShift, double factor1, double factor2);
// The same point before it is cut to whole pixels.
void ItemPoint(const stItemMapping& m, double x, double y, int pageShift, double factor1, double factor2, double* px,
               double* py);
// A dot's radius: half its size scaled to the target device, to the nearest pixel.
int DotRadius(int32_t size, double dpiScale);
// The target's horizontal pixels per inch over the screen's; 1.0 when either is unknown.
double DpiScaleOf(int targetDpi, int screenDpi);

// A width or dot size a lesson gives, truncated and cut to +-kMaxItemPixels (0 for no number).
int32_t ItemPixelsOf(double pixels);

// The colour of a name ("RED", "blue", ...); black for a name not in the table.
COLORREF ItemColourOf(const char* name);

class CGraphItemBase {
public:
    virtual ~CGraphItemBase() = default;
    virtual void Draw(HDC dc, int pageShift, double factor1, double factor2) = 0;
    virtual int Save(CByteWriter& out) = 0;
    virtual int Load(CByteReader& in, CGraphItemList* owner) = 0;
};

class CGraphItem : public CGraphItemBase {
public:
    CGraphItemList* list = nullptr;
    LOGPEN pen{PS_SOLID, {1, 0}, 0};  // width.x is the line width or the dot size

protected:
    int SaveHead(CByteWriter& out, char kind);
    int LoadHead(CByteReader& in, CGraphItemList* owner);
};

class CGraphLine : public CGraphItem {
public:
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    void Draw(HDC dc, int pageShift, double factor1, double factor2) override;
    int Save(CByteWriter& out) override;
    int Load(CByteReader& in, CGraphItemList* owner) override;
};

class CGraphPoint : public CGraphItem {
public:
    double x = 0, y = 0;
    void Draw(HDC dc, int pageShift, double factor1, double factor2) override;
    int Save(CByteWriter& out) override;
    int Load(CByteReader& in, CGraphItemList* owner) override;
};

// Whether drawing can take the item: a width or size within +-kMaxItemPixels and coordinates
// that are numbers. A file's item that is not is damage.
bool ItemValuesSound(const CGraphItem& item);

class CStdCurveDlg;

class CGraphItemList {
public:
    explicit CGraphItemList(tagGS* owner);
    ~CGraphItemList();
    CGraphItemList(const CGraphItemList&) = delete;
    CGraphItemList& operator=(const CGraphItemList&) = delete;

    int AddLine(int32_t width, const char* colour, double x1, double y1, double x2, double y2);
    int AddPoint(int32_t size, const char* colour, double x, double y);
    int AddPoint(int32_t size, COLORREF colour, double x, double y);
    // Takes the item (deleting it on failure); draws it at once while items are shown.
    int AddItem(CGraphItem* item);
    void RemoveItem(int index);
    void Clear();
    int Count() const { return static_cast<int>(items.size()); }
    CGraphItem* At(int index) const { return index >= 0 && index < Count() ? items[index].get() : nullptr; }

    // Into a context of the graph window, clipped to the plot.
    void Draw(HDC dc);
    // Every item with the page shift and factors, scaled to the context's pixel density.
    void DrawItems(HDC dc, int pageShift, double factor1, double factor2);
    // The graph-item block: 1 written. Load answers kBlockRead, kBlockAbsent, kBlockDamaged,
    // kBlockCut or kBlockPartly (documents/stored_blocks.h); items up to one of an unknown kind
    // stay, and an item drawing cannot take is left out.
    int Save(CByteWriter& out);
    int Load(CByteReader& in);
    void ShowDialog();

    tagGS* graph;
    CStdCurveDlg* dialog = nullptr;
    uint32_t shown = 1;
    uint16_t curveWarning = 1;  // replacing a standard curve asks first
    double dpiScale = 1.0;

private:
    void DrawNew(CGraphItem* item);
    std::vector<std::unique_ptr<CGraphItem>> items;
};

// The standard-curve settings: one program-wide default, one copy per document.
struct stCurveSettings {
    double from, to;
    int32_t samples;
    COLORREF dotColour;
    int32_t dotSize;
};
extern stCurveSettings g_defaultCurveSettings;

// The list's "Plot Standard Curve" dialog goes with it.
void DestroyStandardCurveDialog(CGraphItemList* list);
