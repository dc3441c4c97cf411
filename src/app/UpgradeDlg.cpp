#include "app/UpgradeDlg.h"

#include "app/AboutDlg.h"
#include "framework/PaintDC.h"
#include "framework/WinApp.h"
#include "package/PackageBuilder.h"
#include "resources/resource.h"
#include "system/InstallProbe.h"
#include "system/ProductNames.h"
#include "ui/ActionListExport.h"
#include "upgrade/Recovery.h"
#include "util/MessagePump.h"
#include "util/PathParts.h"
#include "util/TextFormat.h"

namespace {
// The list's font: 10 points, given in tenths.
const int LIST_FONT_POINTS_X10 = 100;
const char LIST_FONT_FACE[] = "MS Sans Serif";
}  // namespace

CUpgradeDlg::CUpgradeDlg(RUN_SETTINGS settings, bool bRecoverOnly, bool bCreateVersion, HWND hParent)
    : CDialog(IDD_QUORINDOUPGRADE_DIALOG, hParent),
      m_hIcon(::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME))),
      m_settings(std::move(settings)),
      m_bRecoverOnly(bRecoverOnly),
      m_bCreateVersion(bCreateVersion),
      m_uReportMessage(::RegisterWindowMessageA(UPGRADE_REPORT_MESSAGE)),
      m_worker([this] { DoUpgrade(); }) {}

CUpgradeDlg::~CUpgradeDlg() { m_worker.StopUpgrade(); }

INT_PTR CUpgradeDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SYSCOMMAND:
        if (OnSysCommand(wParam, lParam)) return TRUE;
        break;
    case WM_PAINT:
        if (OnPaint()) return TRUE;
        break;
    case WM_QUERYDRAGICON:
        return reinterpret_cast<INT_PTR>(OnQueryDragIcon());
    case WM_RBUTTONUP:
        OnRButtonUp();
        break;  // the default handling follows
    case WM_COMMAND:
        if (OnCommand(wParam, lParam)) return TRUE;
        break;
    case WM_WINDOWPOSCHANGING:
        // In auto mode nothing may show the dialog: not the visible template, not the modal loop.
        if (IsAutoMode()) reinterpret_cast<WINDOWPOS*>(lParam)->flags &= ~SWP_SHOWWINDOW;
        break;
    case ID_COPY_ALL:
        return Answer(OnCopyAll());
    case ID_SAVE_ALL:
        return Answer(OnSaveAll());
    case WM_SET_FFDSHOW_OPTIONS:
        return Answer(OnSetFfdshowOptions(wParam, lParam));
    case WM_EXECUTE_COMMAND:
        return Answer(OnExecuteCommand(wParam, lParam));
    case WM_ACTION_LINES_WAITING:
        return Answer(OnLinesWaiting());
    default:
        break;
    }
    return CDialog::WindowProc(message, wParam, lParam);
}

void CUpgradeDlg::DoDataExchange() {
    m_progress.Attach(GetDlgItem(IDC_PROGRESS));
    m_list.SubclassDlgItem(IDC_LIST_ACTION, m_hWnd);
    m_list.SetQueue(&m_queue);
}

BOOL CUpgradeDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    AddAboutToSystemMenu();
    Send(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    Send(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    if (IsAutoMode()) BecomeHiddenToolWindow();
    CreateListFont();

    const char* version = m_settings.strPackageVersion.c_str();
    // An upgrade that was killed half way is put back before anything else can happen.
    RecoverInterruptedUpgrade(*this, CInstallProbe::GetInstallPath(*m_settings.pCalls), m_settings);
    if (!m_bRecoverOnly) {
        AddLine(LINE_PROMPT, "Press button 'Upgrade' to start to upgrade Quorindo to Version : %s", version);
        AddLine(LINE_PROMPT, "Please run as 'Administrator' under Vista / Win7");
    }
    std::string title = FormatText("Upgrade Quorindo to Version %s", version);
    if (m_bCreateVersion) title += " - Is Create Version";
    SetText(title);
    // Auto mode runs at once, without asking.
    if (IsAutoMode()) OnUpgrade();
    return TRUE;
}

void CUpgradeDlg::AddAboutToSystemMenu() const {
    char text[256] = "";
    if (::LoadStringA(::GetModuleHandleA(nullptr), IDS_ABOUTBOX, text, sizeof text) <= 0) return;
    HMENU menu = ::GetSystemMenu(m_hWnd, FALSE);
    if (menu == nullptr) return;
    ::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    ::AppendMenuA(menu, MF_STRING, IDM_ABOUTBOX, text);
}

void CUpgradeDlg::BecomeHiddenToolWindow() const {
    // A tool window has no taskbar button.
    const LONG_PTR exStyle = ::GetWindowLongPtrA(m_hWnd, GWL_EXSTYLE);
    ::SetWindowLongPtrA(m_hWnd, GWL_EXSTYLE, (exStyle & ~WS_EX_APPWINDOW) | WS_EX_TOOLWINDOW);
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    if (::GetWindowPlacement(m_hWnd, &placement)) {
        placement.showCmd = SW_HIDE;
        ::SetWindowPlacement(m_hWnd, &placement);
    }
}

void CUpgradeDlg::CreateListFont() {
    // Point size to a pixel height for the screen, as the framework's point fonts do.
    int pixelsPerInch = 96;
    {
        CScopedWindowDC screen(nullptr);
        if (screen.Get() != nullptr) pixelsPerInch = ::GetDeviceCaps(screen.Get(), LOGPIXELSY);
    }
    LOGFONTA font{};
    font.lfHeight = -::MulDiv(LIST_FONT_POINTS_X10, pixelsPerInch, 720);
    font.lfCharSet = DEFAULT_CHARSET;
    lstrcpynA(font.lfFaceName, LIST_FONT_FACE, LF_FACESIZE);
    m_font.Reset(::CreateFontIndirectA(&font));
    m_list.SetFont(static_cast<HFONT>(m_font.Get()), true);
}

int CUpgradeDlg::AppendLine(int nKind, const char* text) {
    // Every line passes through the queue, so lines of both threads keep the order they came in.
    bool bNotify = false;
    const int index = m_queue.Push(text, GetLineColor(nKind), &bNotify);
    if (IsDialogThread()) {
        m_list.AddQueuedLines();
        PumpMessages(nullptr);
    } else if (bNotify) {
        NotifyLinesWaiting();
    }
    return index;
}

LRESULT CUpgradeDlg::OnLinesWaiting() {
    m_list.AddQueuedLines();
    m_progress.SetPos(m_queue.GetProgress());
    return 0;
}

bool CUpgradeDlg::OnCommand(WPARAM wParam, LPARAM /*lParam*/) {
    switch (LOWORD(wParam)) {
    case IDC_UPGRADE:
        if (HIWORD(wParam) != BN_CLICKED) return false;
        OnUpgrade();
        return true;
    case ID_COMPRESS_DATA:
        if (!m_bCreateVersion) return false;
        BuildPackage();
        return true;
    default:
        return false;
    }
}

bool CUpgradeDlg::OnSysCommand(WPARAM nID, LPARAM /*lParam*/) {
    if ((nID & 0xFFF0) != IDM_ABOUTBOX) return false;
    CAboutDlg about(m_hWnd);
    about.DoModal();
    return true;
}

bool CUpgradeDlg::OnPaint() {
    if (!::IsIconic(m_hWnd)) return false;
    CPaintDC dc(m_hWnd);
    Send(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.Get()));
    const int cxIcon = ::GetSystemMetrics(SM_CXICON);
    const int cyIcon = ::GetSystemMetrics(SM_CYICON);
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    const int x = (client.right - client.left - cxIcon + 1) / 2;
    const int y = (client.bottom - client.top - cyIcon + 1) / 2;
    ::DrawIcon(dc.Get(), x, y, m_hIcon);
    return true;
}

void CUpgradeDlg::OnRButtonUp() const {
    if (!m_bCreateVersion) return;
    CScopedMenu menu(::CreatePopupMenu());
    POINT cursor{};
    if (!menu || !::GetCursorPos(&cursor)) return;
    ::AppendMenuA(menu.Get(), MF_STRING, ID_COMPRESS_DATA, "Compress Data...");
    ::TrackPopupMenu(menu.Get(), 0, cursor.x, cursor.y, 0, m_hWnd, nullptr);
}

LRESULT CUpgradeDlg::OnCopyAll() {
    m_list.AddQueuedLines();
    ShowMessage(CopyTextToClipboard(m_hWnd, m_list.GetAllText()));
    return 0;
}

LRESULT CUpgradeDlg::OnSaveAll() {
    m_list.AddQueuedLines();
    std::string path;
    if (AskSaveFileName(m_hWnd, &path)) ShowMessage(SaveTextToFile(path, m_list.GetAllText()));
    return 0;
}

void CUpgradeDlg::ShowMessage(const std::string& text) const {
    if (text.empty() || IsAutoMode()) return;
    AfxMessageBox(text);
}

void CUpgradeDlg::BuildPackage() {
    ShowMessage(
        "Program will compress these files, which list in UpgradeSet.ini, in format \n"
        "\tLen of Dest Relative path(4 bytes)     +    Dest Relative path + \n"
        "\tThe last modify time for file(8 bytes) + \n"
        "\tLen of Compress Data(4 bytes)          +    Compress Data");
    const std::string folder = GetModuleFolder();
    BUILD_OPTIONS options;
    options.bZeroCountMakesEmptyPackage = true;
    BuildPackageFile(*this, folder + BUILDER_LIST_FILE, folder + BUILDER_OUTPUT_FILE, options);
}
