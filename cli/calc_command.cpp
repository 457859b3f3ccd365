#include "cli/calc_command.h"

#include "base/textfmt.h"
#include "cli/cli.h"
#include "cli/cli_prompter.h"
#include "control/parameter_entry.h"
#include "control/workers.h"
#include "display/listing.h"
#include "display/profile.h"
#include "display/spectrum_export.h"
#include "document/data_set_file.h"
#include "document/store_data_set.h"
#include "engine/components.h"
#include "isodata/element_table.h"
#ifdef MARVOLEN_HAVE_PICTURES
#include "picture/picture_writer.h"
#endif

#include <algorithm>
#include <chrono>
#include <csignal>
#include <ostream>
#include <thread>
#include <unistd.h>

namespace mv::cli {

namespace {

// The picture formats this build draws besides the metafile; the command line has no window, so
// Qt's fonts run on the offscreen platform.
PictureRenderer pictureRenderer() {
#ifdef MARVOLEN_HAVE_PICTURES
    return [](PictureFormat format, const DataSet& data, const PlotTitles& titles, const PlotScreen& screen) {
        ensureGuiApplication();
        return renderQtPicture(format, data, titles, screen);
    };
#else
    return {};
#endif
}

// Why an --export file name cannot be written, before anything is calculated; empty when it can.
std::string exportRefusal(const std::string& path) {
    const auto format = pictureFormatNamed(path);
    if (!format)
        return "--export: the picture's format comes from the file's extension, .emf, .svg, .png or .pdf ('" +
               excerpt(path) + "')";
    if (*format != PictureFormat::Emf && !pictureRenderer())
        return "--export: this build writes enhanced metafiles (.emf) only ('" + excerpt(path) + "')";
    return {};
}

constexpr int kDeltaForm = 136;
constexpr int kAccurateForm = 138;

// Ctrl+C asks the running calculation to stop at its next level, as Cancel does.
std::atomic<bool>* volatile gCancelTarget = nullptr;

extern "C" void onInterrupt(int) {
    if (auto* target = gCancelTarget) target->store(true, std::memory_order_relaxed);
}

class InterruptScope {
public:
    explicit InterruptScope(std::atomic<bool>& cancel) {
        gCancelTarget = &cancel;
        struct sigaction sa = {};
        sa.sa_handler = onInterrupt;
        sigemptyset(&sa.sa_mask);
        sigaction(SIGINT, &sa, &previous_);
    }
    ~InterruptScope() {
        sigaction(SIGINT, &previous_, nullptr);
        gCancelTarget = nullptr;
    }
    InterruptScope(const InterruptScope&) = delete;
    InterruptScope& operator=(const InterruptScope&) = delete;

private:
    struct sigaction previous_ = {};
};

// The document side of a command-line run: always ready, nothing on screen to clear.
class CliTarget : public CalcTarget {
public:
    bool readyForCalculation() const override { return true; }
    void prepareForCalculation() override {}
};

std::string symbolOf(int element) { return ElementTable::symbol(element); }

// Fills the user-element dialog from --user-element data; false (with a message) when there is none.
bool fillUserElement(Form& form, const CalcArguments& args, std::ostream& err) {
    const int element = form.subject;
    const auto it = args.userElements.find(element);
    if (it == args.userElements.end()) {
        err << symbolOf(element) << " needs isotope data: give it with --user-element " << symbolOf(element)
            << "=LIGHT[,HEAVY:FA]... (HEAVY is "
            << (form.resourceId == kAccurateForm ? "the isotope's exact mass, since components are listed"
                                                 : "its mass-number increment over the lightest isotope")
            << ").\n";
        return false;
    }
    const bool accurate = form.resourceId == kAccurateForm;
    static const int kAccurateMassIds[9] = {1050, 1054, 1058, 1062, 1066, 1052, 1056, 1060, 1064};
    static const int kAccurateFAIds[9] = {1051, 1055, 1059, 1063, 1067, 1053, 1057, 1061, 1065};
    form.setText(accurate ? 1049 : 1026, it->second.light);
    for (size_t row = 0; row < it->second.heavy.size(); ++row) {
        const int valueId = accurate ? kAccurateMassIds[row] : 1027 + static_cast<int>(row);
        const int faId = accurate ? kAccurateFAIds[row] : 1036 + static_cast<int>(row);
        form.setText(valueId, it->second.heavy[row].first);
        form.setText(faId, it->second.heavy[row].second);
    }
    return true;
}

bool gStopBeforeCalculation = false;

void clearProgressLine(std::ostream& err) { err << '\r' << std::string(60, ' ') << '\r' << std::flush; }

}  // namespace

void setStopBeforeCalculation(bool stop) { gStopBeforeCalculation = stop; }

int emit(const std::string& bytes, const std::string& outputPath, std::ostream& out, std::ostream& err) {
    if (outputPath.empty()) {
        out << bytes << std::flush;
        if (!out) {
            err << "marvolen-cli: could not write to standard output\n";
            return kExitFailure;
        }
        return kExitOk;
    }
    if (const auto failure = writeTextFile(outputPath, bytes)) {
        err << *failure << '\n';
        return kExitFailure;
    }
    return kExitOk;
}

CalcOption fieldOption(const char* name, const char* valueName, std::string help,
                       std::vector<std::pair<int, int>> fields, bool required) {
    return {name, valueName, std::move(help),
            [name, fields = std::move(fields)](const std::string& v, CalcArguments& a) {
                for (const auto& [form, field] : fields) setField(a, form, field, v, name);
                return std::string();
            },
            required};
}

CalcOption chargeOption(int form, int field) {
    return fieldOption("--charge", "Z", "ion (precursor) charge, a non-zero integer (default 1); m/z uses |Z|",
                       {{form, field}});
}

CalcOption stopOption(int form, int field) {
    return fieldOption("--stop-fa", "F", "total fractional abundance at which to stop, 0.5 to 0.99999 (default 0.9999)",
                       {{form, field}});
}

CalcOption componentsOption(int form, int checkField, int firstField, int lastField, const char* help) {
    return {"--components", "FIRST:LAST", help, [=](const std::string& v, CalcArguments& a) {
                setField(a, form, checkField, "1", "--components");
                return setRange(a, form, firstField, lastField, v, "--components");
            }};
}

CalcOption maxIonsOption(int form, int field) {
    return fieldOption("--max-ions", "N", "most component ions listed per peak, 12 to 500 (default 25)",
                       {{form, field}});
}

CalcOption userElementOption(const char* where, bool componentsPossible) {
    static const std::string kWithComponents =
        "                             each HEAVY a mass-number increment (or, with --components, the\n"
        "                             isotope's exact mass) and FA its fractional abundance; the lightest\n"
        "                             isotope takes the rest. Repeat for each user element.";
    static const std::string kWithout =
        "                             each HEAVY a mass-number increment and FA its fractional abundance;\n"
        "                             the lightest isotope takes the rest. Repeat for each user element.";
    const std::string help = std::string("isotope data of a user element Jx, Jy, Jz, Qx, Qy or Qz in the ") + where +
           ":\n                             Jx=LIGHT[,HEAVY:FA]... with LIGHT the lightest isotope's exact mass,\n" +
           (componentsPossible ? kWithComponents : kWithout);
    return {"--user-element", "DATA", help,
            [](const std::string& v, CalcArguments& a) { return setUserElement(a, v); }};
}

std::string excerpt(const std::string& text) {
    constexpr size_t kMaxQuoted = 400;  // longer than any field takes, far shorter than argv allows
    return text.size() <= kMaxQuoted ? text : text.substr(0, kMaxQuoted - 3) + "...";
}

void setField(CalcArguments& args, int form, int field, const std::string& text, const std::string& option,
              int subject) {
    args.fields[{form, subject}].emplace_back(field, text);
    args.optionOf[{form, field}] = option;
}

std::string setRange(CalcArguments& args, int form, int firstField, int lastField, const std::string& value,
                     const std::string& option) {
    const size_t colon = value.find(':');
    if (colon == std::string::npos) return option + " needs FIRST:LAST, for example 0:3";
    setField(args, form, firstField, value.substr(0, colon), option);
    setField(args, form, lastField, value.substr(colon + 1), option);
    return {};
}

std::string setUserElement(CalcArguments& args, const std::string& value) {
    const std::string usage = "--user-element needs Jx=LIGHT[,HEAVY:FA]..., for example Jx=12.0,1:0.2";
    const size_t eq = value.find('=');
    if (eq == std::string::npos) return usage;
    const std::string symbol = value.substr(0, eq);
    int element = -1;
    for (int e = kFirstUserElement; e < kElementCount; ++e)
        if (ElementTable::symbol(e) == symbol) element = e;
    if (element < 0) return "--user-element: '" + excerpt(symbol) + "' is not a user element (Jx, Jy, Jz, Qx, Qy or Qz)";
    if (args.userElements.count(element)) return "--user-element: " + symbol + " is given twice";
    CalcArguments::UserElement data;
    std::string rest = value.substr(eq + 1);
    size_t comma = rest.find(',');
    data.light = rest.substr(0, comma);
    while (comma != std::string::npos) {
        rest = rest.substr(comma + 1);
        comma = rest.find(',');
        const std::string item = rest.substr(0, comma);
        const size_t colon = item.find(':');
        if (colon == std::string::npos) return usage;
        if (data.heavy.size() == kMaxUserHeavyIsotopes)
            return "--user-element: " + symbol + " may have at most 9 heavy isotopes";
        data.heavy.emplace_back(item.substr(0, colon), item.substr(colon + 1));
    }
    args.userElements[element] = std::move(data);
    return {};
}

namespace {

void printHelp(const CalcCommandSpec& cmd, std::ostream& out) {
    out << "Usage: marvolen-cli " << cmd.name << ' ' << cmd.synopsis << "\n\n" << cmd.summary << "\n\nOptions:\n";
    for (const auto& o : cmd.options) {
        std::string head = std::string(o.name) + (o.valueName ? std::string(" ") + o.valueName : "");
        if (head.size() < 26) head.resize(26, ' ');
        out << "  " << head << ' ' << o.help << '\n';
    }
    out << "  -o, --output FILE          write to FILE instead of standard output\n"
           "  --no-progress              do not show the running total on a terminal\n"
           "  --format data|listing      data: the data-set file (default); listing: the text listing\n"
           "                             as the window shows it, superscripts marked ^ and subscripts _\n"
           "  --spectrum unit|R          with --components: the spectrum file of the plotted profile at\n"
           "                             unit mass resolution or resolution R (100 to 1000000)\n"
           "  --export FILE              with --spectrum: also write the plot as a picture, its format\n"
           "                             from the extension: .emf, .svg, .png (300 dpi) or .pdf\n"
           "  -h, --help                 show this help\n\n"
           "The data set is written to standard output exactly as File Save writes it. A refused input\n"
           "prints its message on standard error and exits with status 2. Ctrl+C stops the calculation\n"
           "at its next level and still writes the data set reached.\n";
}

}  // namespace

int runCalcCommand(const CalcCommandSpec& cmd, const std::vector<std::string>& argv, std::ostream& out,
                   std::ostream& err) {
    CalcArguments args;
    args.scan = cmd.scan;
    bool haveFormula = false;
    for (size_t i = 0; i < argv.size(); ++i) {
        const std::string& a = argv[i];
        if (a == "--help" || a == "-h") {
            printHelp(cmd, out);
            return kExitOk;
        }
        if (a == "--no-progress") {
            args.progress = false;
            continue;
        }
        if (a == "--format" || a.rfind("--format=", 0) == 0) {
            if (a.size() > 8) {
                args.format = a.substr(9);
            } else if (i + 1 < argv.size()) {
                args.format = argv[++i];
            } else {
                err << "marvolen-cli " << cmd.name << ": --format needs a value data or listing\n";
                return kExitRefused;
            }
            if (args.format != "data" && args.format != "listing") {
                err << "marvolen-cli " << cmd.name << ": --format is data or listing, not '" << excerpt(args.format) << "'\n";
                return kExitRefused;
            }
            continue;
        }
        if (a == "--spectrum" || a.rfind("--spectrum=", 0) == 0) {
            if (a.size() > 10) {
                args.spectrum = a.substr(11);
            } else if (i + 1 < argv.size()) {
                args.spectrum = argv[++i];
            } else {
                err << "marvolen-cli " << cmd.name << ": --spectrum needs a value unit or a resolution\n";
                return kExitRefused;
            }
            if (args.spectrum.empty()) {
                err << "marvolen-cli " << cmd.name << ": --spectrum needs a value unit or a resolution\n";
                return kExitRefused;
            }
            continue;
        }
        if (a == "--export" || a.rfind("--export=", 0) == 0) {
            if (a.size() > 8) {
                args.exportPath = a.substr(9);
            } else if (i + 1 < argv.size()) {
                args.exportPath = argv[++i];
            }
            if (args.exportPath.empty() || args.exportPath.find('\0') != std::string::npos) {
                err << "marvolen-cli " << cmd.name << ": --export needs a file name FILE.emf, .svg, .png or .pdf\n";
                return kExitRefused;
            }
            if (const std::string refusal = exportRefusal(args.exportPath); !refusal.empty()) {
                err << "marvolen-cli " << cmd.name << ": " << refusal << '\n';
                return kExitRefused;
            }
            continue;
        }
        if (a == "-o" || a == "--output" || a.rfind("--output=", 0) == 0) {
            if (a.rfind("--output=", 0) == 0) {  // an empty --output= must not take the next argument
                args.outputPath = a.substr(9);
            } else if (i + 1 < argv.size()) {
                args.outputPath = argv[++i];
            } else {
                err << "marvolen-cli " << cmd.name << ": " << a << " needs a value FILE\n";
                return kExitRefused;
            }
            if (args.outputPath.empty()) {
                err << "marvolen-cli " << cmd.name << ": the output file name is empty\n";
                return kExitRefused;
            }
            if (args.outputPath.find('\0') != std::string::npos) {  // the system would cut the name there
                err << "marvolen-cli " << cmd.name << ": the output file name contains a NUL character\n";
                return kExitRefused;
            }
            continue;
        }
        if (a.size() > 1 && a[0] == '-' && !(a.size() > 1 && (a[1] >= '0' && a[1] <= '9'))) {
            std::string name = a, value;
            bool inlineValue = false;
            if (const size_t eq = a.find('='); eq != std::string::npos && a.rfind("--", 0) == 0) {
                name = a.substr(0, eq);
                value = a.substr(eq + 1);
                inlineValue = true;
            }
            const CalcOption* option = nullptr;
            for (const auto& o : cmd.options)
                if (name == o.name) option = &o;
            if (!option) {
                err << "marvolen-cli " << cmd.name << ": unknown option '" << excerpt(name) << "' (see --help)\n";
                return kExitRefused;
            }
            if (option->valueName && !inlineValue) {
                if (i + 1 >= argv.size()) {
                    err << "marvolen-cli " << cmd.name << ": " << name << " needs a value " << option->valueName << '\n';
                    return kExitRefused;
                }
                value = argv[++i];
            } else if (!option->valueName && inlineValue) {
                err << "marvolen-cli " << cmd.name << ": " << name << " takes no value\n";
                return kExitRefused;
            }
            if (std::string error = option->apply(value, args); !error.empty()) {
                err << error << '\n';
                return kExitRefused;
            }
            args.given[option->name] = value;
            continue;
        }
        if (haveFormula) {
            err << "marvolen-cli " << cmd.name << ": only one formula may be given ('" << excerpt(a) << "' is extra)\n";
            return kExitRefused;
        }
        setField(args, cmd.formulaForm, cmd.formulaField, a, "FORMULA");
        haveFormula = true;
    }
    if (!haveFormula) {
        err << "marvolen-cli " << cmd.name << ": a formula is needed (see --help)\n";
        return kExitRefused;
    }
    for (const auto& o : cmd.options)
        if (o.required && !args.given.count(o.name)) {
            err << "marvolen-cli " << cmd.name << ": " << o.name << " is needed: " << o.name << ' ' << o.valueName
                << " (see --help)\n";
            return kExitRefused;
        }
    if (cmd.check)
        if (std::string error = cmd.check(args); !error.empty()) {
            err << "marvolen-cli " << cmd.name << ": " << error << '\n';
            return kExitRefused;
        }

    if (!args.exportPath.empty() && args.spectrum.empty()) {
        err << "marvolen-cli " << cmd.name << ": --export draws the plotted spectrum and needs --spectrum unit|R\n";
        return kExitRefused;
    }
    // The resolution is checked by the dialog's own validation before anything is calculated.
    ResolutionChoice resolution;
    if (!args.spectrum.empty()) {
        const bool listing = std::any_of(cmd.options.begin(), cmd.options.end(),
                                         [](const CalcOption& o) { return std::string(o.name) == "--components"; });
        if (!listing) {
            err << "marvolen-cli " << cmd.name << ": --spectrum is not available: this scan lists no component ions\n";
            return kExitRefused;
        }
        if (!args.given.count("--components")) {
            err << "marvolen-cli " << cmd.name
                << ": --spectrum needs --components FIRST:LAST, since the spectrum is built from the listed component ions\n";
            return kExitRefused;
        }
        if (args.format == "listing") {
            err << "marvolen-cli " << cmd.name << ": --spectrum prints the spectrum file and cannot be combined with --format listing\n";
            return kExitRefused;
        }
        Form form = resolutionForm();
        if (args.spectrum != "unit") {
            form.setCheck(ResolDlg::kUnitMass, false);
            form.setCheck(ResolDlg::kUserSelected, true);
            form.setText(ResolDlg::kResolution, args.spectrum);
        }
        if (const auto failure = validateForm(form)) {
            err << failure->message << "\n(the value of --spectrum: '" << excerpt(args.spectrum) << "')\n";
            return kExitRefused;
        }
        resolution = readResolution(form);
    }

    CalcWorkspace& ws = workspace();
    CalcSession session;
    resetStoredParameters(ws);
    resetUserElements();
    beginCommand(ws, cmd.scan);

    CliPrompter prompter(err);
    std::map<std::pair<int, int>, int> timesShown;
    prompter.fillForm = [&](Form& form) {
        // A form shown again means a check sent the person back to correct it; the message that
        // says why has been printed, and the arguments cannot change, so the command ends. One
        // resource serves every user element, so the element tells their forms apart.
        if (timesShown[{form.resourceId, form.subject}]++ > 0) return false;
        if (form.resourceId == kDeltaForm || form.resourceId == kAccurateForm) {
            if (!fillUserElement(form, args, err)) return false;
        } else if (const auto it = args.fields.find({form.resourceId, form.subject}); it != args.fields.end()) {
            for (const auto& [id, text] : it->second) {
                Field& f = form.field(id);
                if (f.kind == FieldKind::Check)
                    f.checked = text == "1";
                else
                    f.text = text;
            }
        }
        if (const auto failure = validateForm(form)) {
            err << failure->message << '\n';
            if (const auto opt = args.optionOf.find({form.resourceId, failure->fieldId}); opt != args.optionOf.end())
                err << "(the value of " << opt->second << ": '" << excerpt(form.field(failure->fieldId).text) << "')\n";
            return false;
        }
        return true;
    };

    CliTarget target;
    if (!enterIonParameters(session, ws, target, prompter)) return kExitRefused;
    if (cmd.scan != ScanType::Regular && !enterTandemParameters(session, ws, prompter)) return kExitRefused;

    prepareRun(ws);
    if (gStopBeforeCalculation) return kExitOk;

    const bool showProgress = args.progress && isatty(STDERR_FILENO);
    CalcRunner runner;
    {
        InterruptScope interrupt(ws.cancelRequest);
        CalcCallbacks callbacks;
        callbacks.partTwo = [&] {
            resetCancelForPartTwo(ws);
            if (showProgress) err << "\nPart Two\n" << std::flush;
        };
        runner.start(ws, std::move(callbacks));
        auto nextShow = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
        while (runner.running()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            if (showProgress && std::chrono::steady_clock::now() >= nextShow) {
                err << formatC("\rPresent Total Fractional Abundance: %.5f",
                               ws.publishedTotalFA.load(std::memory_order_relaxed))
                    << std::flush;
                nextShow += std::chrono::milliseconds(500);
            }
        }
        runner.join();
    }
    if (showProgress) clearProgressLine(err);

    DataSet data;
    storeDataSet(data, ws, session);
    if (ws.listComponentsOption) finishComponentLists(ws);
    if (!args.spectrum.empty()) {
        PlotProfile& profile = plotProfile();
        if (!buildProfile(data, resolution, profile)) {
            err << kNothingToPlot << '\n';
            return kExitRefused;
        }
        attachProfile(data, profile);
        data.spectrumMode = true;
        if (!args.exportPath.empty()) {
            const PictureFormat format = pictureFormatFor(args.exportPath);
            const auto bytes = renderSpectrumPicture(format, data, plotTitlesOf(session), PlotScreen{}, pictureRenderer());
            if (!bytes || writeTextFile(args.exportPath, *bytes)) {
                err << (format == PictureFormat::Emf ? kMetafileNotCopied : kPictureNotWritten) << " ("
                    << args.exportPath << ")\n";
                return kExitFailure;
            }
        }
        return emit(renderSpectrumFile(data), args.outputPath, out, err);
    }
    if (args.format == "listing") return emit(renderListingText(data, ws), args.outputPath, out, err);
    return emit(renderDataSetFile(data), args.outputPath, out, err);
}

}  // namespace mv::cli
