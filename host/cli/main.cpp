// quar2-host: runs VST 2.4 plug-ins (QUAR2 and others) on audio files from the command line.
// The command line is parsed with CLI11; every command has its own --help.

#include "host/cli/Commands.h"
#include "host/cli/FactoryPresets.h"
#include "host/cli/FileOutput.h"
#include "host/cli/LoudnessTarget.h"

#include <CLI/CLI.hpp>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>

namespace
{

const char* kFooter =
    "PLUGIN is a Linux .so, or a Windows .dll run under Wine through quar2-bridge.exe.\n"
    "IN and OUT may be \"-\" for standard input and output.\n"
    "\n"
    "Exit status: 0 success; 1 failure (one line on standard error, no output written or\n"
    "changed); 2 usage error; 3 the plug-in's output was refused (non-finite samples, or\n"
    "clipping under --clip error).\n"
    "\n"
    "Environment: TMPDIR (temporary files), QUAR2_BRIDGE (path of quar2-bridge.exe),\n"
    "QUAR2_WINE (the wine program), WINEPREFIX, WINEDEBUG and DISPLAY (passed to Wine).";

const char* kCommands[] = {"info", "process", "analyze", "bench", "render-editor", "presets"};

int run(int argc, char** argv)
{
    if (argc >= 2 && argv[1][0] != '-')
    {
        bool known = false;
        for (const char* c : kCommands)
            known = known || std::strcmp(argv[1], c) == 0;
        if (!known)
            return reportFailure(std::string("unknown command \"") + argv[1] +
                                     "\" (commands: info, process, analyze, bench, "
                                     "render-editor, presets; "
                                     "see quar2-host --help)",
                                 kExitUsage);
    }
    CLI::App app{"quar2-host: runs VST 2.4 plug-ins on audio files.", "quar2-host"};
    app.set_version_flag("--version", std::string("quar2-host ") + QUAR2_VERSION);
    app.require_subcommand(1);
    app.footer(kFooter);
    // "Command", as in the README, rather than CLI11's "subcommand".
    app.get_formatter()->label("SUBCOMMAND", "COMMAND");
    Verbosity verbosity;
    bool quiet = false, verbose = false;
    app.add_flag("-q,--quiet", quiet, "print errors and warnings only");
    app.add_flag("-v,--verbose", verbose, "print more about what is done");

    InfoOptions info;
    CLI::App* infoCmd = app.add_subcommand(
        "info", "the plug-in's record, names, parameters with their ranges and steps, latency");
    infoCmd->add_option("PLUGIN", info.plugin, "the plug-in (.so or .dll)")->required();

    ProcessOptions process;
    CLI::App* processCmd = app.add_subcommand("process", "level an audio file through the plug-in");
    processCmd->add_option("PLUGIN", process.plugin, "the plug-in (.so or .dll)")->required();
    processCmd
        ->add_option("IN OUT", process.files,
                     "IN: audio file to read (- for standard input); OUT: audio file to write (- "
                     "for standard output), its extension picks the format, the input's if "
                     "absent. With --out-dir: the files and folders to level")
        ->required();
    processCmd
        ->add_option("--set", process.settings,
                     "set a parameter by name; VALUE as the plug-in shows it, or the nearest "
                     "value it can take (repeatable)")
        ->type_name("NAME=VALUE")
        ->allow_extra_args(false);
    processCmd
        ->add_option("--preset", process.preset,
                     "load a preset (.fxp) first: a file, or a factory preset's name (see "
                     "quar2-host presets)")
        ->type_name("FILE.fxp|NAME");
    processCmd->add_option("--save-preset", process.savePreset, "save the state used as a preset")
        ->type_name("FILE.fxp");
    processCmd
        ->add_option("--levels", process.levels,
                     "write per-block input level, output level and gain as CSV")
        ->type_name("FILE.csv");
    processCmd->add_option("--block", process.block, "frames per block (default 512)")
        ->check(CLI::Range(1, 65536));
    processCmd->add_flag("--keep-latency", process.keepLatency,
                         "leave the plug-in's latency in the output");
    processCmd->add_flag("-n,--no-clobber", process.noClobber, "never replace an existing file");
    processCmd
        ->add_option("--clip", process.clip,
                     "output above full scale: warn (default) or error (exit status 3, nothing "
                     "written)")
        ->check(CLI::IsMember({"warn", "error"}));
    processCmd
        ->add_option(
            "--loudness", process.loudness,
            "bring the levelled audio to this integrated loudness with one static "
            "gain: LUFS, or a target's name:\n" +
                describeLoudnessPresets("  ").substr(0, describeLoudnessPresets("  ").size() - 1))
        ->type_name("TARGET");
    processCmd
        ->add_option("--true-peak", process.truePeak,
                     "true-peak ceiling in dBTP for --loudness (default: the target's, else "
                     "-1), held by a true-peak limiter after the gain")
        ->type_name("CEILING");
    processCmd
        ->add_option("--limiter", process.limiter,
                     "the true-peak limiter for --loudness: on (default) or off (the gain then "
                     "stops at the ceiling and the miss is reported)")
        ->check(CLI::IsMember({"on", "off"}));
    processCmd
        ->add_option("--report", process.report,
                     "write every measurement, the settings and the versions as JSON")
        ->type_name("FILE.json");
    processCmd
        ->add_option("--out-dir", process.outDir,
                     "level many files into DIR (same names): PLUGIN --out-dir DIR FILE|FOLDER...")
        ->type_name("DIR");
    processCmd
        ->add_option("-j,--jobs", process.jobs,
                     "files levelled at once with --out-dir (default: one per core)")
        ->type_name("N")
        ->check(CLI::Range(1, 32));

    AnalyzeOptions analyze;
    CLI::App* analyzeCmd = app.add_subcommand(
        "analyze", "measure audio files (loudness, range, peaks, noise floor), no plug-in");
    analyzeCmd->add_option("FILE", analyze.files, "audio files to measure")->required();
    analyzeCmd->add_option("--report", analyze.report, "write the measurements as JSON")
        ->type_name("FILE.json");
    analyzeCmd->add_flag("-n,--no-clobber", analyze.noClobber, "never replace an existing file");

    BenchOptions bench;
    CLI::App* benchCmd =
        app.add_subcommand("bench", "speed on stereo speech-like audio, compared between plug-ins");
    benchCmd->add_option("PLUGIN", bench.plugins, "plug-ins to time, the first is the reference")
        ->required();
    benchCmd->add_option("--seconds", bench.seconds, "seconds of audio (default 60)")
        ->check(CLI::Range(1, 3600));
    benchCmd->add_option("--runs", bench.runs, "runs per plug-in, the best counts (default 3)")
        ->check(CLI::Range(1, 100));

    RenderEditorOptions render;
    CLI::App* renderCmd =
        app.add_subcommand("render-editor", "picture of a plug-in's editor while audio plays");
    renderCmd->add_option("PLUGIN", render.plugin, "the plug-in (.dll or .so)")->required();
    renderCmd->add_option("OUT", render.output, "picture to write (.png)")->required();
    renderCmd->add_option("--input", render.input, "audio to play (default: generated speech)")
        ->type_name("FILE");
    renderCmd->add_option("--seconds", render.seconds, "seconds of audio before the picture")
        ->check(CLI::Range(1, 600));
    renderCmd->add_option("--preset", render.preset, "load a preset (.fxp or a factory name) first")
        ->type_name("FILE.fxp|NAME");
    renderCmd->add_option("--set", render.settings, "set a parameter by name (repeatable)")
        ->type_name("NAME=VALUE")
        ->allow_extra_args(false);
    renderCmd->add_flag("-n,--no-clobber", render.noClobber, "never replace an existing file");
    renderCmd->add_flag("--offline", render.offline,
                        "process the audio first, then picture the editor at rest (the same "
                        "picture on every run)");

    CLI::App* presetsCmd =
        app.add_subcommand("presets", "list the factory presets, for --preset NAME");

    for (CLI::App* sub : {infoCmd, processCmd, analyzeCmd, benchCmd, renderCmd, presetsCmd})
        sub->fallthrough()->group("Commands");
    try
    {
        app.parse(argc, argv);
    }
    catch (const CLI::CallForHelp&)
    {
        // The help of the command named, or of the program.
        std::printf("%s", app.help().c_str());
        return 0;
    }
    catch (const CLI::CallForVersion&)
    {
        std::printf("quar2-host %s\n", QUAR2_VERSION);
        return 0;
    }
    catch (const CLI::ParseError& e)
    {
        std::string what = e.what();
        if (what.empty() || argc < 2)
            what = "a command is needed: info, process, analyze, bench, render-editor or presets";
        const std::string help =
            app.get_subcommands().empty()
                ? "quar2-host --help"
                : "quar2-host " + app.get_subcommands().front()->get_name() + " --help";
        return reportFailure(what + " (see " + help + ")", kExitUsage);
    }
    if (quiet && verbose) return reportFailure("-q and -v exclude each other", kExitUsage);
    verbosity.level = quiet ? 0 : verbose ? 2 : 1;
    if (presetsCmd->parsed()) return runPresets();
    std::string presetError;
    if (!resolvePresetArgument(process.preset, presetError) ||
        !resolvePresetArgument(render.preset, presetError))
        return reportFailure(presetError, kExitUsage);
    if (infoCmd->parsed()) return runInfo(info, verbosity);
    if (processCmd->parsed()) return runProcess(process, verbosity);
    if (analyzeCmd->parsed()) return runAnalyze(analyze, verbosity);
    if (benchCmd->parsed()) return runBench(bench);
    return runRenderEditor(render, verbosity);
}

} // namespace

int main(int argc, char** argv)
{
    // A reader that goes away shows up as a write error, not as the end of the program.
    std::signal(SIGPIPE, SIG_IGN);
    const int status = run(argc, argv);
    std::fflush(stdout);
    markNormalExit();
    return status;
}
