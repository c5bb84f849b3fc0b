// The playback window: shows the canvas through the palette, steps through the
// frames on one-shot multimedia timers and plays the song once.
#pragma once

#include <windows.h>

#include <cstdint>

// Index of the frame shown last; -1 before the first.
extern int32_t frameIndex;
// The armed one-shot timer; 0 when none.
extern UINT frameTimerId;
// The open sequencer; 0 when none.
extern MCIDEVICEID musicDeviceId;
// How many screen pixels each canvas pixel takes across and down: the whole
// number nearest to the display's scale, 1 at 96 DPI.
extern int32_t shownScale;

ATOM RegisterPlayerClass(HINSTANCE instance);
// Creates and shows the window with a client area of the logical screen's
// size at shownScale; with the sender's words, titled with their first line
// and with their band below the canvas.
bool CreatePlayerWindow(HINSTANCE instance, int showCommand);
// The window moves to a display of `dpi`, into `suggested`: the canvas takes
// that display's scale.
void OnDpiChanged(HWND window, UINT dpi, const RECT& suggested);
LRESULT CALLBACK PlayerWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void PaintCanvas(HWND window);
// Composites the next frame onto the canvas and arms the timer with its delay.
void AdvanceFrame(HWND window);
UINT ArmFrameTimer(UINT delayMs, HWND window);
void KillFrameTimer();
void CALLBACK FrameTimerProc(UINT timerId, UINT message, DWORD_PTR user, DWORD_PTR reserved1, DWORD_PTR reserved2);
void StartMusic(HWND window);
void StopMusic();
// Deletes the font the words were drawn in, if any.
void ReleaseWordsFont();
INT_PTR CALLBACK AboutDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
