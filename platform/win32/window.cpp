// window.cpp - the Win32 platform's display and input: one borderless window
// over the whole desktop, the canvas enlarged in it by the largest whole
// number that fits and centred on black, through a 32-bit DIB and
// StretchDIBits (GDI: only DLLs every Windows has). The display mode is
// never changed, so nothing needs restoring whatever way the program ends.
#include <windows.h>

#include <cstdint>
#include <cstdio>

#include "effects/canvas.h"
#include "host/input_queue.h"
#include "platform/platform.h"
#include "platform/stop_requests.h"

struct Screen {
  HWND window;
  HDC dc;  // the window's own (CS_OWNDC), for the whole run
  BITMAPINFO format;
  uint32_t pixels[kCanvasPixels];  // the canvas as GDI's 0x00RRGGBB words
};

namespace {

constexpr wchar_t kWindowClass[] = L"QuillfenDemo";
constexpr wchar_t kWindowTitle[] = L"Quillfen";

Screen demoScreen{};

// Escape and the close request (Alt+F4 comes as one) quit, Space skips; a
// held key's repeats are not new presses (bit 30: the key was down already).
void onKeyDown(WPARAM key, LPARAM flags) {
  if ((flags & (LPARAM{1} << 30)) != 0) return;
  if (key == VK_ESCAPE) queueInput(DemoInput::Quit);
  if (key == VK_SPACE) queueInput(DemoInput::Skip);
}

// Where the enlarged canvas lies in a client area of `width` x `height`.
RECT canvasPlace(int width, int height) {
  const int across = width / kCanvasWidth, down = height / kCanvasHeight;
  int scale = across < down ? across : down;
  if (scale < 1) scale = 1;  // a smaller desktop shows the canvas's middle
  const int left = (width - kCanvasWidth * scale) / 2;
  const int top = (height - kCanvasHeight * scale) / 2;
  return RECT{left, top, left + kCanvasWidth * scale, top + kCanvasHeight * scale};
}

// Draws the last converted canvas and blacks out the margins around it.
void paint(Screen& screen, HDC dc) {
  RECT client;
  GetClientRect(screen.window, &client);
  const RECT place = canvasPlace(client.right, client.bottom);
  const RECT margins[] = {{0, 0, client.right, place.top},
                          {0, place.bottom, client.right, client.bottom},
                          {0, place.top, place.left, place.bottom},
                          {place.right, place.top, client.right, place.bottom}};
  for (const RECT& margin : margins) {
    if (margin.right > margin.left && margin.bottom > margin.top) {
      PatBlt(dc, margin.left, margin.top, margin.right - margin.left, margin.bottom - margin.top,
             BLACKNESS);
    }
  }
  StretchDIBits(dc, place.left, place.top, place.right - place.left, place.bottom - place.top, 0, 0,
                kCanvasWidth, kCanvasHeight, screen.pixels, &screen.format, DIB_RGB_COLORS,
                SRCCOPY);
}

LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_KEYDOWN:
      onKeyDown(wParam, lParam);
      return 0;
    case WM_CLOSE:  // the demo ends by itself and the window goes with it
      queueInput(DemoInput::Quit);
      return 0;
    case WM_SETCURSOR:
      if (LOWORD(lParam) == HTCLIENT) {
        SetCursor(nullptr);
        return TRUE;
      }
      break;
    case WM_ERASEBKGND:  // paint covers every pixel
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT paintStruct;
      const HDC dc = BeginPaint(window, &paintStruct);
      if (demoScreen.window == window) paint(demoScreen, dc);
      EndPaint(window, &paintStruct);
      return 0;
    }
    default:
      break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// The one line for a display that cannot be opened, with Windows' reason.
// A window program may have nowhere to write it (no console, no redirected
// stderr): then a message box says it.
Screen* failToOpen(const char* what) {
  const DWORD code = GetLastError();
  char line[256];
  std::snprintf(line, sizeof line, "demo: cannot %s (error %lu)", what,
                static_cast<unsigned long>(code));
  std::fprintf(stderr, "%s\n", line);
  const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
  if (error == nullptr || error == INVALID_HANDLE_VALUE) {
    MessageBoxA(nullptr, line, "Quillfen", MB_OK | MB_ICONERROR);
  }
  return nullptr;
}

}  // namespace

Screen* openScreen() {
  catchStopSignals(BlockedCalls::Restart);
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = CS_OWNDC;
  windowClass.lpfnWndProc = windowProcedure;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  windowClass.lpszClassName = kWindowClass;
  if (RegisterClassExW(&windowClass) == 0) return failToOpen("register the window class");

  // In real pixels: a program that does not say it knows about display
  // scaling gets a smaller desktop that Windows enlarges, blurring the
  // whole-number scaling.
  SetProcessDPIAware();
  // The primary monitor's whole area: what a borderless "full screen" is.
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  Screen& screen = demoScreen;
  screen.window = CreateWindowExW(WS_EX_APPWINDOW, kWindowClass, kWindowTitle, WS_POPUP, 0, 0,
                                  width, height, nullptr, nullptr, instance, nullptr);
  if (screen.window == nullptr) return failToOpen("open the demo's window");
  screen.dc = GetDC(screen.window);
  SetStretchBltMode(screen.dc, COLORONCOLOR);  // whole-number enlarging: plain copies

  BITMAPINFOHEADER& header = screen.format.bmiHeader;
  header.biSize = sizeof header;
  header.biWidth = kCanvasWidth;
  header.biHeight = -kCanvasHeight;  // negative: the first row is the top one
  header.biPlanes = 1;
  header.biBitCount = 32;
  header.biCompression = BI_RGB;

  ShowWindow(screen.window, SW_SHOW);
  SetForegroundWindow(screen.window);
  SetFocus(screen.window);
  ShowCursor(FALSE);
  return &screen;
}

void presentCanvas(Screen* screen) {
  const uint8_t* source = canvas;
  for (uint32_t& pixel : screen->pixels) {
    pixel = (uint32_t{source[0]} << 16) | (uint32_t{source[1]} << 8) | source[2];
    source += kCanvasBytesPerPixel;
  }
  paint(*screen, screen->dc);
  GdiFlush();
}

bool nextInput(DemoInput& input) {
  // Each console stop request is one Quit, as each signal is on Linux.
  if (takeStopRequest()) {
    input = DemoInput::Quit;
    return true;
  }
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return takeQueuedInput(input);
}
