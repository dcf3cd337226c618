// The conduit's dialogs through ConfigureConduit of a copy of the real
// library, driven through their windows by the cases of dialog_cases.txt
// (which describes the commands); the shipped message file's entries and
// the pictures that the dialogs make transparent.
#include "dialog_driver.h"
#include "conduit_host.h"
#include "hotsync.h"
#include "messages.h"
#include "window_cases.h"

namespace {

std::string Env(const char* name) { return std::getenv(name) != nullptr ? std::getenv(name) : ""; }

int Id(const std::string& word) { return std::stoi(word, nullptr, 0); }

// A command of a step, on the window that it is for.
void Step(HWND h, const Words& w) {
    const std::string& c = w[0];
    if (c == "text") {  // 0: the caption
        for (size_t i = 1; i + 1 < w.size(); i += 2)
            EXPECT_EQ(Id(w[i]) == 0 ? Caption(h) : Text(h, Id(w[i])), w[i + 1]);
    } else if (c == "checked" || c == "unchecked") {
        for (size_t i = 1; i < w.size(); ++i)
            EXPECT_EQ(Checked(h, Id(w[i])), c == "checked") << w[i];
    } else if (c == "hidden") {
        EXPECT_FALSE(Visible(h, Id(w[1])));
    } else if (c == "picture") {
        for (size_t i = 3; i < w.size(); ++i) {
            const SIZE size = PictureSize(h, Id(w[i]));
            EXPECT_TRUE(IsBitmapControl(h, Id(w[i])) && size.cx == Id(w[1]) && size.cy == Id(w[2]))
                << w[i] << ": " << size.cx << "x" << size.cy;
        }
    } else if (c == "selected") {
        EXPECT_EQ(SelectedIndex(h, Id(w[1])), Id(w[2]));
    } else if (c == "shows") {  // a box: text, icon, owner; the only button is OK
        EXPECT_EQ(BoxText(h), w[1]);
        EXPECT_EQ(SendDlgItemMessageA(h, 0x440, STM_GETICON, 0, 0) != 0, w[2] == "icon");
        EXPECT_EQ(GetWindow(h, GW_OWNER) != nullptr, w[3] == "owned");
        for (int id : {IDOK, IDCANCEL, IDYES, IDNO, IDABORT, IDRETRY, IDIGNORE})
            EXPECT_EQ(Visible(h, id), id == IDOK) << id;
    } else if (c == "click") {
        for (size_t i = 1; i < w.size(); ++i) Click(h, Id(w[i]));
    } else if (c == "type") {
        Type(h, Id(w[1]), w[2].c_str());
    } else if (c == "select") {
        Select(h, Id(w[1]), Id(w[2]));
    } else if (c == "escape") {
        PressEscape(h);
    } else if (c == "close-box") {
        PressCloseBox(h);
    } else {
        ADD_FAILURE() << "unknown step command " << c;
    }
}

// A message file's header that the conduit takes.
const char kMessageHeader[] =
    "[General]\nContentType=NLS-Message-File\nContentVersion=1.00\nModuleName=LYConduit20\n"
    "ModuleVersion=0.50\nDefaultLanguage=XYZ\n[Languages]\n";

using Lines = std::vector<std::pair<std::string, Words>>;

struct Runner {
    void Configure() {
        if (!messageFile.empty())
            WriteFileBytes(c.root + "\\conduit\\conduit.nls", CrLf(messageFile));
        messageFile.clear();
        if (!conduit) conduit = std::make_unique<LoadedConduit>(c.conduitPath);
        ASSERT_NE(conduit->configure, nullptr);
        SyncPreference p{};
        std::snprintf(p.userPath, sizeof p.userPath, "%s", c.root.c_str());
        std::memcpy(p.registryPath, settingsPath.data(),
                    std::min(settingsPath.size(), sizeof p.registryPath));
        if (settingsPath.size() == sizeof p.registryPath)
            settingsPath.pop_back();  // the key that the conduit can name
        p.preferenceKind = 77;
        p.syncType = syncType;
        long result = 0;
        script.Run([&] { result = conduit->configure(&p); });
        for (const std::string& failure : script.Failures()) ADD_FAILURE() << failure;
        script = Script();
        steps.clear();
        EXPECT_EQ(result, 0);
        preference = p;
        syncType = 2;
    }

    void Command(const Words& w, const std::string& where) {
        const std::string& c = w[0];
        if (c == "on") {  // the lines up to the next "on" or "configure" act on the window
            const Window kind = w[1] == "action"    ? Window::Action
                                : w[1] == "options" ? Window::Options
                                : w[1] == "about"   ? Window::About
                                                    : Window::Box;
            steps.push_back(std::make_shared<Lines>());
            script.On(kind, [lines = steps.back()](HWND window) {
                for (const auto& [at, words] : *lines) {
                    SCOPED_TRACE(at);
                    Step(window, words);
                }
            });
            if (w.size() > 2) steps.back()->push_back({where, Words(w.begin() + 2, w.end())});
        } else if (!steps.empty() && c != "configure") {
            steps.back()->push_back({where, w});
        } else if (c == "set") {  // a number is a dword
            for (size_t i = 1; i + 1 < w.size(); i += 2) {
                if (std::isdigit(static_cast<unsigned char>(w[i + 1][0])))
                    this->c.SetDword(w[i].c_str(), Id(w[i + 1]));
                else
                    this->c.SetString(w[i].c_str(), w[i + 1]);
            }
        } else if (c == "volatile-key") {
            HKEY key;
            RegDeleteTreeA(HKEY_CURRENT_USER, this->c.registryPath.c_str());
            EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, this->c.registryPath.c_str(), 0, nullptr,
                                      REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                      ERROR_SUCCESS);
            RegCloseKey(key);
            settingsPath = this->c.registryPath + "\\Lasting";
        } else if (c == "key-filling-the-field") {
            settingsPath = this->c.registryPath + "\\";
            settingsPath.resize(sizeof preference.registryPath, 'x');
        } else if (c == "messages") {
            messageFile +=
                Changed(messageFile.empty() ? kMessageHeader : "", {w.begin() + 1, w.end()});
        } else if (c == "no-message-file") {
            DeleteFileA((this->c.root + "\\conduit\\conduit.nls").c_str());
        } else if (c == "shipped-message-file") {
            CopyFileA((BinFolder() + "\\conduit.nls").c_str(),
                      (this->c.root + "\\conduit\\conduit.nls").c_str(), FALSE);
        } else if (c == "preference") {
            syncType = Id(w[1]);
        } else if (c == "configure") {
            Configure();
        } else if (c == "record") {
            EXPECT_EQ(preference.syncType, Id(w[1]));
            EXPECT_EQ(preference.preferenceKind, Id(w[2]));
        } else if (c == "stored") {
            for (size_t i = 1; i + 1 < w.size(); i += 2)
                EXPECT_EQ(RegistryValue(settingsPath, w[i]), w[i + 1]) << w[i];
        } else {
            FAIL() << "unknown command";
        }
    }

    // The same case runs under other environments too (see CMakeLists.txt),
    // at the same time: each has a folder and key of its own.
    ConduitCase c{Env("TESSEL_EXPECT_LANGUAGE") + Env("TESSEL_NO_BROWSER")};
    std::string settingsPath = c.registryPath;
    std::unique_ptr<LoadedConduit> conduit;
    std::string messageFile;
    int32_t syncType = 2;
    SyncPreference preference{};
    Script script;
    std::vector<std::shared_ptr<Lines>> steps;
};

class DialogCase : public ::testing::TestWithParam<FileCase> {};

TEST_P(DialogCase, RunsAsWritten) {
    Runner r;
    const FileCase& f = GetParam();
    RunCase(f, {{"$user", UserLanguage()}},
            [&](const Words& w, int line) { r.Command(w, f.file + ":" + std::to_string(line)); });
}

INSTANTIATE_TEST_SUITE_P(Script, DialogCase, ::testing::ValuesIn(ReadCaseFile(DIALOG_CASES)),
                         [](const auto& info) { return info.param.name; });

// Every entry of the table has an English text in the shipped file: a log
// line where the built-in text is one, no other conversion than its "%s".
TEST(ShippedMessageFile, TranslatesEveryEntryIntoEnglish) {
    auto conversions = [](const std::string& text) {
        std::string all;
        for (size_t at = text.find('%'); at != std::string::npos; at = text.find('%', at + 2))
            all += text.substr(at, 2);
        return all;
    };
    for (const MessageEntry& entry : MessageCatalog) {
        char text[512] = "";
        GetPrivateProfileStringA("ENU", entry.key, "", text, sizeof text,
                                 (BinFolder() + "\\conduit.nls").c_str());
        const std::string english = text, builtIn = entry.builtInText;
        EXPECT_TRUE(!english.empty() && english.size() < 256u) << entry.key;
        EXPECT_EQ(english.rfind("   - ", 0) == 0, builtIn.rfind("   - ", 0) == 0) << entry.key;
        EXPECT_EQ(conversions(english), conversions(builtIn)) << entry.key;
    }
}

// The top-left colour of a picture becomes the dialog face; a lone pixel of
// almost that colour at the picture's edge would stay as a speck on the face.
TEST(TransparentPictures, HaveNoSpeckCloseToTheKeyColour) {
    for (int id : {100, 102, 103, 104, 105}) {  // the status strip and the action pictures
        int w = 0, h = 0;
        const std::vector<uint32_t> pixels = Pixels(BinFolder() + "\\Tessel20.dll", id, w, h);
        ASSERT_GT(w, 0) << id;
        auto at = [&](int x, int y) { return pixels[static_cast<size_t>(y) * w + x] & 0xFFFFFF; };
        auto alike = [](uint32_t a, uint32_t b) {
            int sum = 0;
            for (int shift = 0; shift < 24; shift += 8)
                sum += std::abs(static_cast<int>((a >> shift & 0xFF) - (b >> shift & 0xFF)));
            return sum <= 64;
        };
        std::string specks;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                bool touchesFace = false, hasItsLike = false;
                for (int n = 0; n < 9; ++n) {
                    const int nx = x + n % 3 - 1, ny = y + n / 3 - 1;
                    if (n == 4 || nx < 0 || ny < 0 || nx >= w || ny >= h) continue;
                    touchesFace = touchesFace || at(nx, ny) == at(0, 0);
                    hasItsLike = hasItsLike || at(nx, ny) == at(x, y);
                }
                if (at(x, y) != at(0, 0) && alike(at(x, y), at(0, 0)) && touchesFace && !hasItsLike)
                    specks += " (" + std::to_string(x) + "," + std::to_string(y) + ")";
            }
        }
        EXPECT_EQ(specks, "") << "bitmap " << id << ", key colour " << at(0, 0);
    }
}

}  // namespace
