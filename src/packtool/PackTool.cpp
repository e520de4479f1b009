#include "packtool/PackTool.h"

#include "packtool/Options.h"
#include "packtool/PackCheck.h"
#include "packtool/PackInfo.h"
#include "packtool/PackMake.h"
#include "packtool/PackSign.h"
#include "QuillonVersion.h"
#include "platform/Text.h"
#include "signature/SiteTrust.h"

namespace {

const wchar_t kUsage[] =
    L"usage: packtool make  --model NAME --kind app|system|tool [-o FILE] FOLDER\n"
    L"       packtool check --model NAME --kind app|system|tool [--trusted-key KEY]... PACK\n"
    L"       packtool info  PACK\n"
    L"       packtool sign  --key SECRET_KEY_FILE [--comment TEXT] PACK\n"
    L"       packtool keygen [-o BASE]\n"
    L"       packtool --version\n"
    L"Run 'packtool COMMAND --help' for one command. Exit: 0 accepted, 1 refused, 2 usage or I/O error.";

const wchar_t kMakeHelp[] =
    L"usage: packtool make --model NAME --kind app|system|tool [-o FILE] FOLDER\n"
    L"Packs the content of FOLDER at the top level of a zip, with UpgradePack.verify (model NAME, the kind)\n"
    L"and FolderMD5.ini (the MD5 of every file). NAME: M2410 M2450 M3710 M3750 VK1200 HTR940 M2480,\n"
    L"or the variants M3710S5 VK1500. Default FILE: AppUpgradePack.zip, SystemUpgradePack.zip or\n"
    L"ToolUpgradePack.zip by kind, in the current folder. FOLDER itself is not changed.";

std::wstring CheckHelp() {
    return L"usage: packtool check --model NAME --kind app|system|tool [--trusted-key KEY]... PACK\n"
           L"Extracts PACK into a fresh temporary folder (TMPDIR, or %TEMP% on Windows) and decides as the\n"
           L"upgrade tool does with model NAME and the pack kind selected: model match, then intactness.\n"
           L"Where the site's trust file exists (" + SiteTrustFilesText() + L"),\n"
           L"PACK must first carry PACK.minisig, signed by one of its keys; a trust file that yields no\n"
           L"valid key refuses every pack. --trusted-key (a minisign public key: its base64 line, its .pub\n"
           L"file or a trust file; repeatable) adds keys, and requires a signature without a site file.\n"
           L"NAME: M2410 M2450 M3710 M3750 VK1200 HTR940 M2480. Prints the tool's message on refusal.\n"
           L"Exit: 0 accepted, 1 refused, 2 usage or I/O error.";
}

const wchar_t kInfoHelp[] =
    L"usage: packtool info PACK\n"
    L"Shows the model name and kind of PACK's verify file, its number of entries, and whether it\n"
    L"holds a manifest and a verify file; with PACK.minisig beside it, the signer's key id and the\n"
    L"trusted comment, labelled unverified: check does that. Control characters are escaped.";

const wchar_t kSignHelp[] =
    L"usage: packtool sign --key SECRET_KEY_FILE [--comment TEXT] PACK\n"
    L"Writes PACK.minisig, a minisign signature (Ed25519 over the BLAKE2b-512 hash of PACK) that\n"
    L"'minisign -V' accepts too. SECRET_KEY_FILE: from packtool keygen or minisign -G; one that other\n"
    L"accounts may read is refused. A key with a password is opened with the password asked for on\n"
    L"the terminal, or given in PACKTOOL_KEY_PASSWORD. TEXT: the trusted comment (default: the time\n"
    L"and PACK's file name, as minisign writes it).";

const wchar_t kKeygenHelp[] =
    L"usage: packtool keygen [-o BASE]\n"
    L"Writes a new minisign key pair: BASE.key (secret, no password; readable by its owner alone:\n"
    L"mode 0600, on Windows an access list of the owner only) and BASE.pub (what sites put into\n"
    L"trusted-keys.txt). Default BASE: minisign. Existing files (or links) are not replaced.";

int Usage(ToolOutput& io, const std::wstring& problem, const std::wstring& help) {
    io.Err(problem);
    io.Err(help);
    return kExitUsage;
}

bool SelectionOptions(const ToolOptions& o, bool variantsToo, ToolOutput& io, std::wstring* model, PackKind* kind) {
    auto m = o.values.find(L"--model");
    auto k = o.values.find(L"--kind");
    if (m == o.values.end() || k == o.values.end()) {
        io.Err(L"--model and --kind are required");
        return false;
    }
    bool known = variantsToo ? IsPackModelName(m->second) : FindModelIndex(m->second) >= 0;
    if (!known) {
        io.Err(L"unknown model " + m->second);
        return false;
    }
    if (!ParsePackKind(k->second, kind)) {
        io.Err(L"unknown kind " + k->second + L" (app, system or tool)");
        return false;
    }
    *model = m->second;
    return true;
}

}  // namespace

int RunPackTool(const std::vector<std::wstring>& args, ToolOutput& io) {
    if (args.size() == 1 && args[0] == L"--version") {
        io.Out(std::wstring(L"packtool ") + QUILLON_VERSION_TEXT);
        return kExitAccepted;
    }
    ToolOptions o;
    std::wstring error;
    if (!ParseToolOptions(args, &o, &error)) return Usage(io, error, kUsage);
    std::wstring model;
    PackKind kind = kPackApplication;

    if (o.command.empty()) {
        if (o.help) {
            io.Out(kUsage);
            return kExitAccepted;
        }
        return Usage(io, L"no command given", kUsage);
    }
    if (!o.trustedKeys.empty() && o.command != L"check" && !o.help)
        return Usage(io, L"only check takes --trusted-key", kUsage);
    if (o.command == L"make") {
        if (o.help) return io.Out(kMakeHelp), kExitAccepted;
        if (o.operands.size() != 1) return Usage(io, L"make needs one FOLDER", kMakeHelp);
        if (!SelectionOptions(o, true, io, &model, &kind)) return Usage(io, L"", kMakeHelp);
        auto out = o.values.find(L"-o");
        return MakePack(model, kind, o.operands[0], out == o.values.end() ? DefaultPackName(kind) : out->second, io);
    }
    if (o.command == L"check") {
        if (o.help) return io.Out(CheckHelp()), kExitAccepted;
        if (o.operands.size() != 1) return Usage(io, L"check needs one PACK", CheckHelp());
        if (o.values.count(L"-o")) return Usage(io, L"check takes no -o", CheckHelp());
        if (!SelectionOptions(o, false, io, &model, &kind)) return Usage(io, L"", CheckHelp());
        // The site's file applies whatever the command line says; keys given add to it.
        TrustedKeys trust = ReadSiteTrust(SiteTrustFiles());
        for (const std::wstring& key : o.trustedKeys) {
            std::string problem;
            if (!AddTrustedKey(&trust, key, &problem))
                return Usage(io, L"--trusted-key " + key + L": " + platform::Utf8ToWide(problem), CheckHelp());
        }
        return CheckPack(FindModelIndex(model), kind, o.operands[0], io, &trust);
    }
    if (o.command == L"info") {
        if (o.help) return io.Out(kInfoHelp), kExitAccepted;
        if (o.operands.size() != 1 || !o.values.empty()) return Usage(io, L"info takes one PACK", kInfoHelp);
        return ShowPackInfo(o.operands[0], io);
    }
    if (o.command == L"sign") {
        if (o.help) return io.Out(kSignHelp), kExitAccepted;
        auto key = o.values.find(L"--key");
        auto comment = o.values.find(L"--comment");
        if (o.operands.size() != 1 || key == o.values.end()) return Usage(io, L"sign needs --key and one PACK", kSignHelp);
        return SignPack(key->second, o.operands[0], comment == o.values.end() ? nullptr : &comment->second, io);
    }
    if (o.command == L"keygen") {
        if (o.help) return io.Out(kKeygenHelp), kExitAccepted;
        auto out = o.values.find(L"-o");
        if (!o.operands.empty()) return Usage(io, L"keygen takes no operands", kKeygenHelp);
        return MakeKeyPairFiles(out == o.values.end() ? L"minisign" : out->second, io);
    }
    return Usage(io, L"unknown command " + o.command, kUsage);
}
