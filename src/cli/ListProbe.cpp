#include "cli/ListProbe.h"

#include <chrono>
#include <cstdio>
#include <optional>
#include <thread>

#include "device/Diagnosis.h"
#include "device/InterfaceSelection.h"
#include "device/Protocol.h"
#include "device/ReportLayer.h"
#include "unit/ModelTable.h"

namespace upsconfig::cli {
namespace {

constexpr int kExitNoUnit = 3;
constexpr int kExitNotOpened = 4;

std::string Quoted(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                    out += escaped;
                } else {
                    out += c;
                }
        }
    }
    return out + "\"";
}

std::string QuotedOrNull(const std::string& text) { return text.empty() ? "null" : Quoted(text); }

HostView HostOf(const ProbeOptions& options) {
    return {options.sysfsRoot, options.ruleDirs, options.seatsDir};
}

// The "error" member of a failed command's object.
std::string JsonError(int exitCode, std::string_view kind, std::string_view message) {
    return ", \"error\": {\"exit_code\": " + std::to_string(exitCode) +
           ", \"kind\": " + Quoted(kind) + ", \"message\": " + Quoted(message) + "}";
}

struct Listed {
    HidInterface interface;
    bool isUnit = false;
    std::optional<bool> opened;
    std::string openError;
    std::optional<int> modelCode;
};

// Reads the model code through the report layer, on a link that sees only this interface.
Listed Examine(HidBackend& backend, const HidInterface& interface, const ProbeOptions& options) {
    Listed listed{interface, true, false, {}, std::nullopt};
    const Reason reason = CheckInterface(backend, interface, HostOf(options));
    if (reason.verdict != Verdict::Reachable) {
        listed.openError = reason.detail;
        return listed;
    }
    listed.opened = true;
    OneInterfaceBackend only(backend, interface);
    HidLink link(only);
    link.SetIds(options.vendorId, options.productId);
    Pauser pauser = options.pauser ? options.pauser : [](int milliseconds) {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    };
    ReportLayer layer(link, pauser);
    if (layer.ReadIdentity()) {
        listed.modelCode = layer.Image().bytes[protocol::ModelCodeByte()];
    } else {
        listed.openError = "the identification report could not be read: " + link.LastFailure();
    }
    only.Close();
    return listed;
}

std::string ModelWords(int code) {
    const std::string_view name = ModelTable::ModelName(code);
    return std::to_string(code) +
           (name.empty() ? " (unknown model)" : " (" + std::string(name) + ")");
}

}  // namespace

int RunList(HidBackend& backend, const ProbeOptions& options, std::ostream& out,
            std::ostream& err) {
    std::vector<Listed> listed;
    bool anyUnit = false;
    for (const HidInterface& interface : backend.Enumerate()) {
        if (interface.vendorId != options.vendorId) continue;
        if (!NamesInterface(options.device, interface)) continue;
        if (interface.productId == options.productId) {
            anyUnit = true;
            listed.push_back(Examine(backend, interface, options));
        } else {
            listed.push_back({interface, false, std::nullopt, {}, std::nullopt});
        }
    }
    const std::string ids = IdText(options.vendorId) + ":" + IdText(options.productId);
    const std::string none =
        "No unit with the ids " + ids +
        (options.device.empty() ? "" : " matching --device " + options.device) +
        " is present; 'upsconfig-cli probe' says why.";

    if (options.json) {
        out << "{\"ok\": " << (anyUnit ? "true" : "false") << ", \"interfaces\": [";
        for (std::size_t i = 0; i < listed.size(); ++i) {
            const Listed& l = listed[i];
            out << (i ? ", " : "") << "{\"path\": " << Quoted(l.interface.path)
                << ", \"vendor_id\": \"0x" << IdText(l.interface.vendorId)
                << "\", \"product_id\": \"0x" << IdText(l.interface.productId)
                << "\", \"serial\": " << QuotedOrNull(l.interface.serial)
                << ", \"is_unit\": " << (l.isUnit ? "true" : "false")
                << ", \"opened\": " << (l.opened ? (*l.opened ? "true" : "false") : "null")
                << ", \"open_error\": " << QuotedOrNull(l.openError)
                << ", \"model_code\": " << (l.modelCode ? std::to_string(*l.modelCode) : "null")
                << ", \"model_name\": "
                << (l.modelCode ? QuotedOrNull(std::string(ModelTable::ModelName(*l.modelCode)))
                                : "null")
                << "}";
        }
        out << "]" << (anyUnit ? "" : JsonError(kExitNoUnit, "no_unit", none)) << "}\n";
    } else {
        for (const Listed& l : listed) {
            out << l.interface.path << "  " << IdText(l.interface.vendorId) << ":"
                << IdText(l.interface.productId) << "  serial "
                << (l.interface.serial.empty() ? "-" : l.interface.serial) << "  ";
            if (!l.isUnit) {
                out << "not a unit (other product id)\n";
            } else if (l.modelCode) {
                out << "model " << ModelWords(*l.modelCode) << "\n";
            } else {
                out << "not opened: " << l.openError << "\n";
            }
        }
        if (!anyUnit) err << none << "\n";
    }
    return anyUnit ? 0 : kExitNoUnit;
}

int RunProbe(HidBackend& backend, const ProbeOptions& options, std::ostream& out,
             std::ostream& /*err*/) {
    const Diagnosis diagnosis =
        Diagnose(backend, HostOf(options), options.device, options.vendorId, options.productId);
    const bool reachable = diagnosis.verdict == Verdict::Reachable;
    const bool found =
        diagnosis.verdict != Verdict::NoInterface && diagnosis.verdict != Verdict::HeldByDriver;
    const int exitCode = reachable ? 0 : found ? kExitNotOpened : kExitNoUnit;
    const std::string ids = IdText(options.vendorId) + ":" + IdText(options.productId);

    if (options.json) {
        out << "{\"ok\": " << (reachable ? "true" : "false")
            << ", \"verdict\": " << Quoted(VerdictName(diagnosis.verdict))
            << ", \"vendor_id\": \"0x" << IdText(options.vendorId) << "\", \"product_id\": \"0x"
            << IdText(options.productId) << "\", \"reasons\": [";
        for (std::size_t i = 0; i < diagnosis.reasons.size(); ++i) {
            const Reason& r = diagnosis.reasons[i];
            out << (i ? ", " : "") << "{\"verdict\": " << Quoted(VerdictName(r.verdict))
                << ", \"path\": " << QuotedOrNull(r.path) << ", \"detail\": " << Quoted(r.detail)
                << ", \"fix\": " << QuotedOrNull(r.fix) << "}";
        }
        out << "]";
        if (!reachable) {
            out << JsonError(exitCode, found ? "no_permission" : "no_unit",
                             diagnosis.reasons.front().detail);
        }
        out << "}\n";
        return exitCode;
    }

    out << "Looking for units with the USB ids " << ids << " (vendor:product)"
        << (options.device.empty() ? "" : ", --device " + options.device) << ".\n";
    for (const Reason& r : diagnosis.reasons) {
        out << "\n"
            << VerdictName(r.verdict) << (r.path.empty() ? "" : ": " + r.path) << "\n  " << r.detail
            << "\n";
        if (!r.fix.empty()) out << "  Fix: " << r.fix << "\n";
    }
    out << "\nVerdict: " << VerdictName(diagnosis.verdict) << "\n";
    return exitCode;
}

}  // namespace upsconfig::cli
