#pragma once

namespace lesnor {

class IFileOps;
class IMediaPlayer;
class IPreferences;
class IRecorder;
class IShell;
class ISoundPlayer;
class ISpeech;

// The platform services a window uses. The composition root (startup/) owns the real
// ones; tests hand in fakes.
struct Services {
    IMediaPlayer& player;
    IRecorder& recorder;
    ISpeech& speech;
    IShell& shell;
    IFileOps& files;
    ISoundPlayer& sound; // plays the learner's recording back
    IPreferences& preferences;
};

} // namespace lesnor
