// Opens a song in the multimedia sequencer by its wide path, for the player and
// the maker alike.
#pragma once

#include <windows.h>
#include <mmsystem.h>

// The sequencer's open of the Standard MIDI File at `path`; its device in
// `device` when the result is 0. Some sequencers read the file through the
// ANSI code page (Wine's does), where a name in another script cannot be
// spelt: the file's short name, which Windows keeps in plain characters where
// short names are made, is tried then.
MCIERROR OpenSequencer(const wchar_t* path, MCIDEVICEID* device);
