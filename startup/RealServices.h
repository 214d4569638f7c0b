#pragma once

#include "platform/DesktopShell.h"
#include "platform/GstClipDecoder.h"
#include "platform/GstMediaPlayer.h"
#include "platform/GstSoundCapture.h"
#include "platform/GstSoundPlayer.h"
#include "platform/GstVoiceTake.h"
#include "platform/LocalFileOps.h"
#include "platform/Services.h"
#include "platform/SettingsPreferences.h"
#include "platform/SynthesizedSpeech.h"
#include "playback/RecorderCommands.h"

namespace lesnor {

// One set of the real services. The program makes exactly one (in StartUp); tools and
// benchmarks that show a real window make their own, usually with a silent player.
struct RealServices {
    explicit RealServices(GstMediaPlayer::Output output = GstMediaPlayer::Output::Automatic)
        : player(output)
        , speech(output == GstMediaPlayer::Output::Silent ? SynthesizedSpeech::Output::Silent
                                                          : SynthesizedSpeech::Output::Automatic)
        , sound(output == GstMediaPlayer::Output::Silent ? GstSoundPlayer::Output::Silent
                                                         : GstSoundPlayer::Output::Automatic) {}

    GstMediaPlayer player;   // the sound server when there is one, else silent
    GstSoundCapture capture; // the default input; touched only while recording
    CommandRecorder recorder{capture};
    SynthesizedSpeech speech; // speaks from its own thread; silent without a sound server
    DesktopShell shell;
    LocalFileOps files;
    GstSoundPlayer sound;
    SettingsPreferences preferences; // the user's own
    GstVoiceTake take;               // speak and compare's recordings, in memory
    GstClipDecoder clips;            // the model sentences, decoded into memory
    Services view{player, recorder, speech, shell, files, sound, preferences};
};

} // namespace lesnor
