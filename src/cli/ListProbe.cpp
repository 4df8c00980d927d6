#include "cli/ListProbe.h"

#include <optional>

#include "cli/ExitCodes.h"
#include "device/Diagnosis.h"
#include "device/InterfaceSelection.h"
#include "unit/ModelTable.h"

namespace upsconfig {
namespace {

Json IdJson(std::uint16_t id) { return "0x" + IdText(id); }

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
    const Reason reason = CheckInterface(backend, interface, options.host);
    if (reason.verdict != Verdict::Reachable) {
        listed.openError = reason.detail;
        return listed;
    }
    listed.opened = true;
    std::string why;
    listed.modelCode = ReadModelCode(backend, interface, options.pauser, &why, options.vendorId,
                                     options.productId);
    if (!listed.modelCode) listed.openError = "the identification report could not be read: " + why;
    return listed;
}

std::string ModelWords(int code) {
    const std::string_view name = ModelTable::ModelName(code);
    return std::to_string(code) +
           (name.empty() ? " (unknown model)" : " (" + std::string(name) + ")");
}

}  // namespace

ProbeOutcome RunList(HidBackend& backend, const ProbeOptions& options, Json& result,
                     std::ostream& out) {
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

    Json interfaces = Json::array();
    for (const Listed& l : listed) {
        const auto name =
            l.modelCode ? TextOrNull(std::string(ModelTable::ModelName(*l.modelCode))) : Json();
        interfaces.push_back({{"path", l.interface.path},
                              {"vendor_id", IdJson(l.interface.vendorId)},
                              {"product_id", IdJson(l.interface.productId)},
                              {"serial", TextOrNull(l.interface.serial)},
                              {"is_unit", l.isUnit},
                              {"opened", l.opened ? Json(*l.opened) : Json()},
                              {"open_error", TextOrNull(l.openError)},
                              {"model_code", l.modelCode ? Json(*l.modelCode) : Json()},
                              {"model_name", name}});
        if (options.json) continue;
        out << l.interface.path << "  " << IdsText(l.interface.vendorId, l.interface.productId)
            << "  serial " << (l.interface.serial.empty() ? "-" : l.interface.serial) << "  ";
        if (!l.isUnit) {
            out << "not a unit (other product id)\n";
        } else if (l.modelCode) {
            out << "model " << ModelWords(*l.modelCode) << "\n";
        } else {
            out << "not opened: " << l.openError << "\n";
        }
    }
    result["interfaces"] = std::move(interfaces);
    if (anyUnit) return {};
    return {exit_code::kNoUnit,
            "no unit with the ids " + IdsText(options.vendorId, options.productId) +
                (options.device.empty() ? "" : " matching --device " + options.device) +
                " is present; 'upsconfig-cli probe' says why"};
}

ProbeOutcome RunProbe(HidBackend& backend, const ProbeOptions& options, Json& result,
                      std::ostream& out) {
    const Diagnosis diagnosis =
        Diagnose(backend, options.host, options.device, options.vendorId, options.productId);
    Json reasons = Json::array();
    for (const Reason& r : diagnosis.reasons) {
        reasons.push_back({{"verdict", std::string(VerdictName(r.verdict))},
                           {"path", TextOrNull(r.path)},
                           {"detail", r.detail},
                           {"fix", TextOrNull(r.fix)}});
    }
    result["verdict"] = std::string(VerdictName(diagnosis.verdict));
    result["vendor_id"] = IdJson(options.vendorId);
    result["product_id"] = IdJson(options.productId);
    result["reasons"] = std::move(reasons);

    if (!options.json) {
        out << "Looking for units with the USB ids " << IdsText(options.vendorId, options.productId)
            << " (vendor:product)" << (options.device.empty() ? "" : ", --device " + options.device)
            << ".\n";
        for (const Reason& r : diagnosis.reasons) {
            out << "\n"
                << VerdictName(r.verdict) << (r.path.empty() ? "" : ": " + r.path) << "\n  "
                << r.detail << "\n";
            if (!r.fix.empty()) out << "  Fix: " << r.fix << "\n";
        }
        out << "\nVerdict: " << VerdictName(diagnosis.verdict) << "\n";
    }
    if (diagnosis.verdict == Verdict::Reachable) return {};
    const bool notFound =
        diagnosis.verdict == Verdict::NoInterface || diagnosis.verdict == Verdict::HeldByDriver;
    // On a terminal the reasons stand above already; the closing line only sums them up.
    std::string message =
        options.json ? diagnosis.reasons.front().detail
                     : "no unit reachable (" + std::string(VerdictName(diagnosis.verdict)) + ")";
    return {notFound ? exit_code::kNoUnit : exit_code::kNotOpened, std::move(message)};
}

}  // namespace upsconfig
