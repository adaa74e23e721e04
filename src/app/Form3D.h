// The main window's state and every event procedure, free of any GUI toolkit. The window
// forwards events here; the outside world is reached only through the interfaces in Platform.
#pragma once

#include "common/Release.h"
#include "common/StatusLine.h"
#include "common/TextBoxes.h"
#include "datalog/LoggedRecord.h"
#include "link/InputFramer.h"
#include "link/LinkHealth.h"
#include "link/LinkTimer.h"
#include "link/SerialPort.h"
#include "link/StreamDrain.h"
#include "marker/MarkerPicture.h"
#include "surface/Canvas.h"
#include "surface/Module1.h"
#include "table/CellChange.h"
#include "table/FileDialogs.h"
#include "table/Grid.h"
#include "table/TableBackup.h"
#include "table/VeTable.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

struct Platform {
    SerialPort& serial;
    Grid& grid;
    Canvas& canvas;
    MarkerPicture& marker;
    TextBoxes& boxes;
    FileDialogs& dialogs;
    StatusLine& status;
    LinkTimer& timer;
};

// Key codes and modifier bits as the window delivers them (Windows virtual-key numbering).
namespace key {
inline constexpr std::int16_t kLeft = 37;
inline constexpr std::int16_t kUp = 38;
inline constexpr std::int16_t kRight = 39;
inline constexpr std::int16_t kDown = 40;
inline constexpr std::int16_t kEquals = 187;
inline constexpr std::int16_t kMinus = 189;
inline constexpr std::int16_t kShift = 1;
inline constexpr std::int16_t kCtrl = 2;
inline constexpr std::int16_t kAlt = 4;
} // namespace key

inline constexpr Rgb kCellColour{0, 0, 80};
inline constexpr Rgb kSelectedColour{20, 150, 20};

class Form3D {
public:
    Form3D(Release release, Platform platform);

    // Window events
    void Form_Load();
    void Form_KeyDown(std::int16_t keyCode, std::int16_t shift);

    // Menus and buttons. The twenty COM items share one handler, given the item's number.
    void mnuComPort_Click(std::int16_t port);
    void mnuConnectToTVX_Click();
    void mnuLoadVEfromfile_Click();
    void mnuSaveVEtofile_Click();
    void mnuSingleIntake_Click();
    void mnuDualIntake_Click();
    void mnu3KGTKV_Click();
    void btnRT_Click();
    void btnCMDOFF_Click();

    // A change of many cells (an apply of live tuning, a hand edit, an undo): keeps the table
    // first, as `kind`, then writes the cells as key edits do, paced by WriteCells_Tick. Why
    // nothing was begun (another change under way, no cell, the table not kept), or nothing;
    // `done` is told what was written.
    std::optional<std::string> WriteCells(std::vector<CellValue> cells, BackupKind kind,
                                          CellsDone done);
    // Once a display frame: as many of the cells as the line carries in the time since.
    void WriteCells_Tick();
    bool writingCells() const { return pacing_.has_value(); }

    // Serial receive event, and the line having been quiet for a while after it
    void ProcessSerialInput();
    void SerialQuiet_Timer();
    // The device went away (unplugged, or its end hung up); what says which port and why.
    void SerialPortLost(const std::string& what);

    // Procedures
    void LetsGo();
    void SaveVE(const std::string& fileName);
    void LoadAndSendTable(const std::string& fileName);
    void BuildSurface();
    void DrawSurface();
    void ShapeMarker();

    // Grid view
    void SetUpGrid();
    void FillGrid();
    void UpdateSelectedCellText();
    void MarkSelectedCell();
    void UnmarkLastCell();
    void HighlightBlock();
    void ClearBlock();

    Release release() const { return release_; }
    const InputFramer& framer() const { return framer_; }
    LinkHealth linkHealth() const;
    // Every whole live record goes here as it arrives, shown or not; nullptr logs nothing.
    void setLiveLog(LiveLog* log) { liveLog_ = log; }
    // Where each download and the table a file load replaces are kept; nullptr keeps none.
    void setTableArchive(TableArchive* archive) { archive_ = archive; }
    // The table with the breakpoints and intake type, once the device has given them.
    TableFile HeldTable() const;

    // Window state, named as the design names it.
    VeTable veTable{};
    std::int16_t selectedCell = 0;
    std::int16_t selectedColumn = 0;
    std::int16_t selectedRow = 0;

    std::int16_t comPort = 0;
    std::int16_t linkActive = 0;
    std::int16_t awaitingTable = 0;
    std::int16_t realTimeOn = 0;
    std::int16_t intakeType = 0;

    // User coordinates of the client area's left and top edges; release 1.2 pans them.
    float frameLeft = kDesignFrameLeft;
    float frameTop = kDesignFrameTop;
    float markerLeftOffset = 0;
    float markerTopOffset = 0;
    float eyeX = 0;
    float eyeY = 0;
    float eyeZ = 0;

    float mapPsi = 0;
    float engineRpm = 0;
    float tempF = 0;
    float wb1 = 0;
    float wb2 = 0;
    std::uint8_t opPressureIndex = 0;
    std::uint8_t opRpmIndex = 0;

    std::int16_t blockActive = 0;
    std::int16_t blockColLow = 0;
    std::int16_t blockColHigh = 0;
    std::int16_t blockRowLow = 0;
    std::int16_t blockRowHigh = 0;

    std::array<std::array<SurfacePoint, kLatticeSize>, kLatticeSize> surfacePoints{};
    std::array<SurfacePoint, 3> axisPoints{};

    std::int16_t fullRedraw = 0;
    std::int16_t cursorDrawnColumn = 0;
    std::int16_t cursorDrawnRow = 0;
    std::uint8_t highlightGridCol = 0;
    std::uint8_t highlightGridRow = 0;
    std::int16_t opDrawnPressureIndex = 0;
    std::int16_t opDrawnRpmIndex = 0;

    std::optional<Region> markerRegion; // the shape last applied to the marker
    std::string tableFileName;

private:
    using Cells = std::array<std::int16_t, kCellCount>;
    // What a file load puts in the cells; else why not, for the status bar.
    std::variant<Cells, std::string> CellsToLoad(const std::string& fileName) const;
    void HandleFramedInput(bool lineQuiet);
    void LiveStep(const std::string& read);
    void DownloadStep(const std::string& read);
    void LogSkippedRecord(const std::string& read);
    void LogRecord(const LiveRecord& record);
    void SetRealTime(bool on);
    void SelectIntake(int code, const char* shownText);
    bool Send(const std::string& text);
    // The cell's write message, as the table holds it; a recording under way is told.
    bool SendCell(int cell);
    // The table as the window holds it, kept; what the status bar adds to say so.
    std::string KeepTable(BackupKind kind);
    void StepSelectedValue(int delta);
    void EraseCursorRing();
    void GrowBlock(std::int16_t keyCode);
    void PanFrame(std::int16_t keyCode);

    const Release release_;
    Platform io_;
    std::string dialogFileName_; // one dialog serves both menus and keeps its last name

    InputFramer framer_;
    std::uint64_t recordsShown_ = 0;
    std::uint64_t recordsRejected_ = 0;
    LiveLog* liveLog_ = nullptr;
    TableArchive* archive_ = nullptr;
    std::optional<VeTable> lastKept_; // an identical download is not kept twice
    bool heldFromDevice_ = false;     // the table came from the device, edited or not
    // The eye the view coordinates were last projected from; forgotten when the world changes,
    // so 400 points are projected again only when something moved.
    std::optional<std::array<float, 3>> projectedEye_;
    // The marker's size when its ring was drawn and its shape cut; both depend on nothing else.
    std::optional<std::pair<float, float>> shapedSize_;
    StreamDrain drain_;
    struct Pacing {
        std::vector<CellValue> cells;
        std::size_t next;
        CellChanges written;
        std::string keptAs;
        CellsDone done;
        std::int64_t lastTickMs;
        double budgetMs; // of the line's time the next cells may take
    };
    std::optional<Pacing> pacing_;
};
