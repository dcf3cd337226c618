// The conduit's dialogs through ConfigureConduit of a copy of the real
// library, driven through their windows by the cases of dialog_cases.txt
// (which describes the commands); and the shipped message file's entries.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "case_file.h"
#include "conduit_host.h"
#include "dialog_driver.h"
#include "hotsync.h"
#include "messages.h"

namespace {

std::string UserLanguage() {
    char code[20] = "";
    GetLocaleInfoA(GetUserDefaultLCID(), LOCALE_SABBREVLANGNAME, code, sizeof code);
    return code;
}

using Words = std::vector<std::string>;

// One step's commands on the window it is given.
void Act(HWND window, const std::vector<std::pair<int, Words>>& lines, const std::string& file) {
    for (const auto& [line, w] : lines) {
        SCOPED_TRACE(file + ":" + std::to_string(line));
        auto id = [&](size_t i) { return std::stoi(w[i]); };
        const std::string& verb = w[0];
        if (verb == "caption") {
            EXPECT_EQ(Caption(window), w[1]);
        } else if (verb == "text") {
            EXPECT_EQ(Text(window, id(1)), w.size() > 2 ? w[2] : "") << w[1];
        } else if (verb == "checked" || verb == "unchecked") {
            for (size_t i = 1; i < w.size(); ++i) {
                EXPECT_EQ(Checked(window, id(i)), verb == "checked") << w[i];
            }
        } else if (verb == "hidden") {
            EXPECT_FALSE(Visible(window, id(1)));
        } else if (verb == "picture") {
            EXPECT_TRUE(IsBitmapControl(window, id(1)));
            const SIZE size = PictureSize(window, id(1));
            EXPECT_EQ(size.cx, id(2)) << w[1];
            EXPECT_EQ(size.cy, id(3)) << w[1];
        } else if (verb == "list") {
            EXPECT_EQ(ListEntries(window, id(1)), Words(w.begin() + 2, w.end()));
        } else if (verb == "selected") {
            EXPECT_EQ(SelectedIndex(window, id(1)), id(2));
        } else if (verb == "box-text") {
            EXPECT_EQ(BoxText(window), w[1]);
        } else if (verb == "box-icon") {
            EXPECT_EQ(SendDlgItemMessageA(window, 0x440, STM_GETICON, 0, 0) != 0, w[1] == "yes");
        } else if (verb == "box-owned") {
            EXPECT_NE(GetWindow(window, GW_OWNER), nullptr);
        } else if (verb == "only-ok") {
            EXPECT_TRUE(Visible(window, IDOK));
            for (int other : {IDCANCEL, IDYES, IDNO, IDABORT, IDRETRY, IDIGNORE}) {
                EXPECT_FALSE(Visible(window, other)) << other;
            }
        } else if (verb == "click" || verb == "tick") {
            for (size_t i = 1; i < w.size(); ++i) {
                if (verb == "click" || !Checked(window, id(i))) Click(window, id(i));
            }
        } else if (verb == "type") {
            Type(window, id(1), w[2].c_str());
        } else if (verb == "select") {
            Select(window, id(1), id(2));
        } else if (verb == "escape") {
            PressEscape(window);
        } else if (verb == "close-box") {
            PressCloseBox(window);
        } else {
            ADD_FAILURE() << "unknown step command " << verb;
        }
    }
}

void Skip(const std::string& why) { GTEST_SKIP() << why; }

class Runner {
  public:
    explicit Runner(const FileCase& c) : case_(c) {}

    // The same case runs under other environments too (see CMakeLists.txt),
    // at the same time: each has a folder and key of its own.
    static std::string Variant() {
        const char* language = std::getenv("TESSEL_EXPECT_LANGUAGE");
        return std::string(language != nullptr ? "-" + std::string(language) : "") +
               (std::getenv("TESSEL_NO_BROWSER") != nullptr ? "-NoBrowser" : "");
    }

    void Run() {
        for (const auto& command : case_.commands) {
            SCOPED_TRACE(case_.file + ":" + std::to_string(command.first) + ": " + command.second);
            std::vector<Word> words;
            std::string error;
            ASSERT_TRUE(SplitWords(command.second, words, error)) << error;
            Words w;
            for (const Word& word : words) w.push_back(Expand(word.text));
            if (w[0] == "de" || w[0] == "en") {
                if ((w[0] == "de") != (UserLanguage() == "DEU")) continue;
                w.erase(w.begin());
            }
            if (!Command(w, command.first)) FAIL() << "unknown command";
            if (::testing::Test::HasFatalFailure() || ::testing::Test::IsSkipped()) return;
        }
    }

  private:
    std::string Expand(std::string text) const {
        for (size_t at; (at = text.find("$user")) != std::string::npos;) {
            text.replace(at, 5, UserLanguage());
        }
        return text;
    }

    void SetValue(const char* name, DWORD type, const void* data, DWORD size) {
        HKEY key;
        ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, settingsPath_.c_str(), &key), ERROR_SUCCESS);
        RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
        RegCloseKey(key);
    }

    // A value of the case's key as text (a number in decimal), or <missing>.
    std::string Stored(const std::string& name, DWORD* count = nullptr) {
        HKEY key;
        if (RegOpenKeyA(HKEY_CURRENT_USER, settingsPath_.c_str(), &key) != ERROR_SUCCESS) {
            return "<no key>";
        }
        char data[1024] = "";
        DWORD type = 0, size = sizeof data - 1;
        const LONG result = RegQueryValueExA(key, name.c_str(), nullptr, &type,
                                             reinterpret_cast<BYTE*>(data), &size);
        if (count != nullptr)
            RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, count,
                             nullptr, nullptr, nullptr, nullptr);
        RegCloseKey(key);
        if (result != ERROR_SUCCESS) return "<missing>";
        if (type != REG_DWORD) return data;
        uint32_t number;
        std::memcpy(&number, data, 4);
        return std::to_string(number);
    }

    void Configure(long expected) {
        const std::string nls = c_.root + "\\conduit\\conduit.nls";
        if (!messageFile_.empty()) WriteFileBytes(nls, messageFile_);
        messageFile_.clear();
        if (!conduit_) conduit_ = std::make_unique<LoadedConduit>(c_.conduitPath);
        ASSERT_NE(conduit_->configure, nullptr);
        SyncPreference preference{};
        std::snprintf(preference.userPath, sizeof preference.userPath, "%s", c_.root.c_str());
        std::snprintf(preference.registryPath, sizeof preference.registryPath, "%s",
                      settingsPath_.c_str());
        if (settingsPath_.size() == sizeof preference.registryPath) {
            std::memcpy(preference.registryPath, settingsPath_.data(), settingsPath_.size());
            settingsPath_.pop_back();  // the key that the conduit can name
        }
        preference.preferenceKind = 77;
        preference.syncType = syncType_;
        long result = 0;
        script_.Run([&] { result = conduit_->configure(&preference); });
        for (const std::string& failure : script_.Failures()) ADD_FAILURE() << failure;
        script_ = Script();
        steps_.clear();
        EXPECT_EQ(result, expected);
        preference_ = preference;
        syncType_ = 2;
    }

    bool Command(const Words& w, int line) {
        const std::string& verb = w[0];
        auto text = [&](size_t i) { return i < w.size() ? w[i] : std::string(); };
        auto number = [&](size_t i) { return std::stol(w[i], nullptr, 0); };
        if (!steps_.empty() && verb != "on" && verb != "configure") {
            steps_.back()->push_back({line, w});
            return true;
        }
        if (verb == "dword") {
            const DWORD value = static_cast<DWORD>(number(2));
            SetValue(w[1].c_str(), REG_DWORD, &value, 4);
        } else if (verb == "string") {
            SetValue(w[1].c_str(), REG_SZ, w[2].c_str(), static_cast<DWORD>(w[2].size() + 1));
        } else if (verb == "volatile-key") {
            HKEY key;
            RegDeleteTreeA(HKEY_CURRENT_USER, c_.registryPath.c_str());
            RegDeleteKeyA(HKEY_CURRENT_USER, c_.registryPath.c_str());
            EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, c_.registryPath.c_str(), 0, nullptr,
                                      REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                      ERROR_SUCCESS);
            RegCloseKey(key);
            settingsPath_ = c_.registryPath + "\\Lasting";
        } else if (verb == "key-below") {
            settingsPath_ = c_.registryPath + "\\" + w[1];
        } else if (verb == "key-filling-the-field") {
            settingsPath_ = c_.registryPath + "\\";
            settingsPath_.resize(sizeof preference_.registryPath, 'x');
        } else if (verb == "message-file") {
            for (size_t i = 1; i < w.size(); ++i) messageFile_ += w[i] + "\r\n";
        } else if (verb == "no-message-file") {
            DeleteFileA((c_.root + "\\conduit\\conduit.nls").c_str());
        } else if (verb == "shipped-message-file") {
            CopyFileA((BinFolder() + "\\conduit.nls").c_str(),
                      (c_.root + "\\conduit\\conduit.nls").c_str(), FALSE);
        } else if (verb == "preference") {
            syncType_ = static_cast<int32_t>(number(1));
        } else if (verb == "expect-language") {
            // CTest runs the case under a German and an English user locale too.
            const char* expected = std::getenv("TESSEL_EXPECT_LANGUAGE");
            if (expected != nullptr) {
                EXPECT_EQ(UserLanguage(), expected) << "user locale";
            }
        } else if (verb == "needs") {
            if (std::getenv(w[1].c_str()) == nullptr) Skip("needs " + w[1]);
        } else if (verb == "on") {
            const Window kind = w[1] == "action"    ? Window::Action
                                : w[1] == "options" ? Window::Options
                                : w[1] == "about"   ? Window::About
                                                    : Window::Box;
            steps_.push_back(std::make_shared<std::vector<std::pair<int, Words>>>());
            auto lines = steps_.back();
            const std::string file = case_.file;
            script_.On(kind, [lines, file](HWND window) { Act(window, *lines, file); });
        } else if (verb == "configure") {
            Configure(w.size() > 1 ? number(1) : 0);
        } else if (verb == "sync-type") {
            EXPECT_EQ(preference_.syncType, number(1));
        } else if (verb == "kind") {
            EXPECT_EQ(preference_.preferenceKind, number(1));
        } else if (verb == "stored" || verb == "stored-text") {
            EXPECT_EQ(Stored(w[1]), text(2)) << w[1];
        } else if (verb == "values") {
            DWORD count = 0;
            Stored("", &count);
            EXPECT_EQ(count, static_cast<DWORD>(number(1)));
        } else {
            return false;
        }
        return true;
    }

    const FileCase& case_;
    ConduitCase c_{Variant()};
    std::string settingsPath_ = c_.registryPath;
    std::unique_ptr<LoadedConduit> conduit_;
    std::string messageFile_;
    int32_t syncType_ = 2;
    SyncPreference preference_{};
    Script script_;
    std::vector<std::shared_ptr<std::vector<std::pair<int, Words>>>> steps_;
};

class DialogCase : public ::testing::TestWithParam<FileCase> {};

TEST_P(DialogCase, RunsAsWritten) { Runner(GetParam()).Run(); }

INSTANTIATE_TEST_SUITE_P(Script, DialogCase, ::testing::ValuesIn(ReadCaseFile(DIALOG_CASES)),
                         [](const auto& info) { return info.param.name; });

// Every entry of the table has an English text in the shipped file: a log
// line where the built-in text is one, no other conversion than its "%s".
TEST(ShippedMessageFile, TranslatesEveryEntryIntoEnglish) {
    const std::string path = BinFolder() + "\\conduit.nls";
    auto value = [&](const char* section, const char* key) {
        char text[512] = "";
        GetPrivateProfileStringA(section, key, "", text, sizeof text, path.c_str());
        return std::string(text);
    };
    auto count = [](const std::string& text, const std::string& part) {
        size_t n = 0;
        for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
            ++n;
        return n;
    };
    EXPECT_EQ(value("General", "DefaultLanguage"), "ENU");
    EXPECT_EQ(value("Languages", "ENU"), "1");
    EXPECT_EQ(value("Languages", "DEU"), "1");
    for (const MessageEntry& entry : MessageCatalog) {
        const std::string english = value("ENU", entry.key), builtIn = entry.builtInText;
        EXPECT_FALSE(english.empty()) << entry.key;
        EXPECT_LT(english.size(), 256u) << entry.key;
        EXPECT_EQ(english.rfind("   - ", 0) == 0, builtIn.rfind("   - ", 0) == 0) << entry.key;
        EXPECT_EQ(count(english, "%"), count(builtIn, "%s")) << entry.key;
        EXPECT_EQ(count(english, "%s"), count(builtIn, "%s")) << entry.key;
        if (std::strcmp(entry.key, "msgUIAbout003") != 0 &&
            std::strcmp(entry.key, "msgUIOptions019") != 0) {
            EXPECT_NE(english, builtIn) << entry.key;
        }
    }
}

}  // namespace
