#include "playback/RecorderCommands.h"

#include "platform/SoundCapture.h"

#include <QStringList>

namespace lesnor {
namespace {

bool isBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

// The words of `text` with the offset where each begins.
struct Word {
    QString text;
    qsizetype at;
};

QList<Word> splitWords(const QString& text) {
    QList<Word> words;
    qsizetype i = 0;
    while (i < text.size()) {
        while (i < text.size() && isBlank(text.at(i)))
            ++i;
        const qsizetype start = i;
        while (i < text.size() && !isBlank(text.at(i)))
            ++i;
        if (i > start)
            words.append({text.mid(start, i - start), start});
    }
    return words;
}

bool is(const Word& word, const char* keyword) {
    return word.text.compare(QLatin1String(keyword), Qt::CaseInsensitive) == 0;
}

int parseOpen(const QList<Word>& words, RecorderCommand& out) {
    // open new {type waveaudio | alias <alias>} ...
    if (words.size() < 2 || !is(words.at(1), "new"))
        return words.size() < 2 ? IRecorder::MissingParameter : IRecorder::UnrecognizedCommand;
    bool typed = false;
    QString alias;
    for (qsizetype i = 2; i < words.size(); i += 2) {
        if (i + 1 >= words.size())
            return IRecorder::MissingParameter;
        if (is(words.at(i), "type") && is(words.at(i + 1), "waveaudio") && !typed)
            typed = true;
        else if (is(words.at(i), "alias") && alias.isEmpty())
            alias = words.at(i + 1).text;
        else
            return IRecorder::UnrecognizedCommand;
    }
    if (!typed || alias.isEmpty())
        return IRecorder::MissingParameter;
    out.verb = RecorderCommand::Verb::Open;
    out.alias = alias;
    return IRecorder::Ok;
}

} // namespace

int parseRecorderCommand(const QString& text, RecorderCommand& out) {
    out = RecorderCommand{};
    const QList<Word> words = splitWords(text);
    if (words.isEmpty())
        return IRecorder::UnrecognizedCommand;
    const Word& verb = words.first();
    if (is(verb, "open"))
        return parseOpen(words, out);

    if (is(verb, "save")) {
        if (words.size() < 3)
            return IRecorder::MissingParameter;
        out.verb = RecorderCommand::Verb::Save;
        out.alias = words.at(1).text;
        out.path = text.mid(words.at(2).at);
        return IRecorder::Ok;
    }

    if (is(verb, "record"))
        out.verb = RecorderCommand::Verb::Record;
    else if (is(verb, "stop"))
        out.verb = RecorderCommand::Verb::Stop;
    else if (is(verb, "close"))
        out.verb = RecorderCommand::Verb::Close;
    else
        return IRecorder::UnrecognizedCommand;
    if (words.size() < 2)
        return IRecorder::MissingParameter;
    if (words.size() > 2)
        return IRecorder::UnrecognizedCommand;
    if (!(out.verb == RecorderCommand::Verb::Close && is(words.at(1), "all")))
        out.alias = words.at(1).text;
    return IRecorder::Ok;
}

int CommandRecorder::sendString(const QString& command, QString* returnText) {
    if (returnText)
        returnText->clear();
    RecorderCommand parsed;
    const int error = parseRecorderCommand(command, parsed);
    return error != Ok ? error : run(parsed);
}

int CommandRecorder::run(const RecorderCommand& command) {
    using Verb = RecorderCommand::Verb;
    if (command.verb == Verb::Open) {
        if (!alias_.isEmpty())
            return AliasInUse;
        capture_.discard(); // a new recorder holds an empty recording
        alias_ = command.alias;
        return Ok;
    }
    const bool all = command.verb == Verb::Close && command.alias.isEmpty();
    if (!all && (alias_.isEmpty() || command.alias.compare(alias_, Qt::CaseInsensitive) != 0))
        return NoDevice;

    switch (command.verb) {
    case Verb::Record:
        return capture_.start() ? Ok : NoDevice;
    case Verb::Stop:
        if (capture_.isCapturing() && !capture_.stop())
            return CannotRecord;
        return Ok;
    case Verb::Save:
        if (capture_.isCapturing() && !capture_.stop())
            return CannotRecord;
        return capture_.saveAs(command.path) ? Ok : CannotSave;
    case Verb::Close:
        capture_.discard();
        alias_.clear();
        return Ok;
    case Verb::Open:
        break;
    }
    return UnrecognizedCommand;
}

} // namespace lesnor
