// Report lines written into real files: worked examples byte for byte, title,
// names and separator, delimiters, notes, the user id column, write errors.
#include <cstdio>
#include <cstring>
#include <string>

#include "record_test_support.h"
#include "records.h"
#include "report_files.h"
#include "report_writer.h"
#include "session.h"
#include "settings.h"

namespace {

const char kT1[] = "14.3.00,9:05,1:30,M\374ller GmbH,Website,Design,Logo entwerfen";

struct Example {
    int category, index;
    const char* text;
    const char* title;
    const char* names;  // default delimiters, no user id
    const char* data;
    const char* quotedNames;  // ';' and '\'', user id U-17
    const char* quotedData;
};

const Example kExamples[] = {
    {1, 0, kT1, "*** Ledgerly Arbeitszeiten Tabelle ***",
     "PilotID\tDatum\tKunde\tProjekt\tT\344tigkeit\tStartzeit\tDauer\tBemerkungen",
     "Ziduv Vazuv\t2000/03/14\tM\374ller GmbH\tWebsite\tDesign\t09:05\t90\tLogo entwerfen",
     "'PilotID';'UserID';'Datum';'Kunde';'Projekt';'T\344tigkeit';'Startzeit';'Dauer';"
     "'Bemerkungen'",
     "'Ziduv Vazuv';'U-17';'2000/03/14';'M\374ller GmbH';'Website';'Design';'09:05';90;"
     "'Logo entwerfen'"},
    {2, 1, "2.1.01,M\374ller GmbH,Website,Taxi,2,12.50,25.00,Flughafen",
     "*** Ledgerly Ausgaben Tabelle ***",
     "PilotID\tDatum\tKunde\tProjekt\tVerwendung\tMenge\tEinzel\tGesamt\tBemerkungen",
     "Ziduv Vazuv\t2001/01/02\tM\374ller GmbH\tWebsite\tTaxi\t2.000000\t12.500000\t25.000000\t"
     "Flughafen",
     "'PilotID';'UserID';'Datum';'Kunde';'Projekt';'Verwendung';'Menge';'Einzel';'Gesamt';"
     "'Bemerkungen'",
     "'Ziduv Vazuv';'U-17';'2001/01/02';'M\374ller GmbH';'Website';'Taxi';2.000000;12.500000;"
     "25.000000;'Flughafen'"},
    {3, 2, "3.1.01,M\374ller GmbH,Website,Besuch,Berlin,Potsdam,10500,10536,36,Kundentermin",
     "*** Ledgerly Fahrten Tabelle ***",
     "PilotID\tDatum\tKunde\tProjekt\tT\344tigkeit\tAbfahrt\tAnkunft\tAbfahrt_KM\tAnkunft_KM\t"
     "Entfernung_KM\tBemerkungen",
     "Ziduv Vazuv\t2001/01/03\tM\374ller GmbH\tWebsite\tBesuch\tBerlin\tPotsdam\t10500\t10536\t36\t"
     "Kundentermin",
     "'PilotID';'UserID';'Datum';'Kunde';'Projekt';'T\344tigkeit';'Abfahrt';'Ankunft';"
     "'Abfahrt_KM';'Ankunft_KM';'Entfernung_KM';'Bemerkungen'",
     "'Ziduv Vazuv';'U-17';'2001/01/03';'M\374ller GmbH';'Website';'Besuch';'Berlin';'Potsdam';"
     "10500;10536;36;'Kundentermin'"},
    {4, 4, "4.1.01,M\374ller GmbH,Website,Layout,Farben abstimmen",
     "*** Ledgerly Notiz Tabelle ***", "PilotID\tDatum\tKunde\tProjekt\tThema\tBemerkungen",
     "Ziduv Vazuv\t2001/01/04\tM\374ller GmbH\tWebsite\tLayout\tFarben abstimmen",
     "'PilotID';'UserID';'Datum';'Kunde';'Projekt';'Thema';'Bemerkungen'",
     "'Ziduv Vazuv';'U-17';'2001/01/04';'M\374ller GmbH';'Website';'Layout';'Farben abstimmen'"},
    {5, 3, "5.1.01,M\374ller GmbH,Website,Angebot,$0001A2F3:Diri Deziz,R\374ckruf erbeten",
     "*** Ledgerly Kontakt Tabelle ***", "PilotID\tDatum\tKunde\tProjekt\tThema\tName\tBemerkungen",
     "Ziduv Vazuv\t2001/01/05\tM\374ller GmbH\tWebsite\tAngebot\tDiri Deziz\tR\374ckruf erbeten",
     "'PilotID';'UserID';'Datum';'Kunde';'Projekt';'Thema';'Name';'Bemerkungen'",
     "'Ziduv Vazuv';'U-17';'2001/01/05';'M\374ller GmbH';'Website';'Angebot';'Diri Deziz';"
     "'R\374ckruf erbeten'"},
};

std::string Lines(std::initializer_list<std::string> lines) {
    std::string all;
    for (const std::string& line : lines) all += line + "\r\n";
    return all;
}

class WorkedExamples : public ReportFilesTest {};

TEST_F(WorkedExamples, DefaultSettingsAllKinds) {
    Open();
    for (const Example& e : kExamples) EXPECT_EQ(ConvertRecord(e.text, e.category), 1) << e.text;
    EXPECT_EQ(ConvertRecord(kT1, 1), 1);  // a second Task line: data only
    for (const Example& e : kExamples) {
        std::string data = e.index == 0 ? Lines({e.data, e.data}) : Lines({e.data});
        EXPECT_EQ(Report(e.index), Lines({e.title, "", e.names}) + data);
    }
}

TEST_F(WorkedExamples, SemicolonQuoteUserIdThenAppendWithoutDateQuotes) {
    std::strcpy(ConduitSettings.FieldDelimiter, ";");
    std::strcpy(ConduitSettings.StringDelimiter, "'");
    std::strcpy(userId, "U-17");
    ConduitSettings.DateFormat = 7;  // never changes the date column
    Open(true);
    for (const Example& e : kExamples) EXPECT_EQ(ConvertRecord(e.text, e.category), 1);
    Close();
    ConduitSettings.QuoteDateFields = 0;
    Open(true);  // a later synchronisation: separator line, then the line
    ASSERT_EQ(ConvertRecord(kT1, 1), 1);
    EXPECT_EQ(Report(0),
              Lines({kExamples[0].title, "", kExamples[0].quotedNames, kExamples[0].quotedData, "",
                     "'Ziduv Vazuv';'U-17';2000/03/14;'M\374ller GmbH';'Website';"
                     "'Design';09:05;90;'Logo entwerfen'"}));
    for (int k = 1; k < 5; ++k) {
        const Example& e = kExamples[k];
        EXPECT_EQ(Report(e.index), Lines({e.title, "", e.quotedNames, e.quotedData}));
    }
}

// What goes before the data line, by file state and settings.
class ReportHeader : public ReportFilesTest {
  protected:
    std::string title_ = kExamples[0].title, names_ = kExamples[0].names, data_ = kExamples[0].data;
};

TEST_F(ReportHeader, EmptyFileGetsTitleAndNamesAsSet) {
    struct Case {
        uint32_t title, names;
        std::string expected;
    } cases[] = {
        {1, 0, Lines({title_, "", data_})}, {0, 1, Lines({names_, data_})}, {0, 0, Lines({data_})}};
    for (const Case& c : cases) {
        ConduitSettings.ReportTitle = c.title;
        ConduitSettings.FieldNames = c.names;
        Prefill(0, "");  // appending to an existing empty file counts as empty
        Open(true);
        ASSERT_EQ(ConvertRecord(kT1, 1), 1);
        EXPECT_EQ(Report(0), c.expected);
    }
}

TEST_F(ReportHeader, NonEmptyFileGetsSeparatorOncePerRun) {
    struct Case {
        uint32_t separate;
        const char* separator;
        std::string before;
    } cases[] = {{1, "", "\r\n"}, {1, "-----", "-----\r\n"}, {0, "-----", ""}};
    for (const Case& c : cases) {
        ConduitSettings.SeparateReports = c.separate;
        std::strcpy(ConduitSettings.ReportSeparator, c.separator);
        Prefill(0, "old\r\n");
        Open(true);
        ASSERT_EQ(ConvertRecord(kT1, 1), 1);
        ASSERT_EQ(ConvertRecord(kT1, 1), 1);
        EXPECT_EQ(Report(0), "old\r\n" + c.before + Lines({data_, data_}));
    }
}

TEST_F(ReportHeader, UserIdAppearingLaterAddsAColumnOnlyToData) {
    Open(true);
    ASSERT_EQ(ConvertRecord(kT1, 1), 1);
    Close();
    std::strcpy(userId, "U-17");
    Open(true);
    ASSERT_EQ(ConvertRecord(kT1, 1), 1);
    std::string withId = data_;
    withId.insert(std::strlen("Ziduv Vazuv\t"), "U-17\t");
    EXPECT_EQ(Report(0), Lines({title_, "", names_, data_, "", withId}));
}

// The data line itself.
class ReportLine : public ReportFilesTest {
  protected:
    std::string LineOf(const char* text, int category, int index) {
        ConduitSettings.ReportTitle = 0;
        ConduitSettings.FieldNames = 0;
        Open();
        EXPECT_EQ(ConvertRecord(text, category), 1);
        return Report(index);
    }
};

TEST_F(ReportLine, LineBreaksInNotes) {
    const char* text = "4.1.01,K,P,T,a\r\nb\nc\rd, e";
    EXPECT_EQ(LineOf(text, 4, 4), "Ziduv Vazuv\t2001/01/04\tK\tP\tT\ta  b c d, e\r\n");
    ConduitSettings.SingleLineNotes = 0;
    EXPECT_EQ(LineOf(text, 4, 4), "Ziduv Vazuv\t2001/01/04\tK\tP\tT\ta\r\r\nb\r\nc\rd, e\r\n");
    // A line feed in an earlier text field is stored as a text stream would.
    EXPECT_EQ(LineOf("4.1.01,K\nL,P,T,N", 4, 4), "Ziduv Vazuv\t2001/01/04\tK\r\nL\tP\tT\tN\r\n");
}

TEST_F(ReportLine, DelimitersAreNeverEscapedAndMayBeEmpty) {
    std::strcpy(ConduitSettings.FieldDelimiter, ";");
    std::strcpy(ConduitSettings.StringDelimiter, "\"");
    EXPECT_EQ(LineOf("5.1.01,A;B,\"P\",T,N,x;\"y\",z", 5, 3),
              "\"Ziduv Vazuv\";\"2001/01/05\";\"A;B\";\"\"P\"\";\"T\";\"N\";\"x;\"y\",z\"\r\n");
    ConduitSettings.FieldDelimiter[0] = '\0';
    ConduitSettings.StringDelimiter[0] = '\0';
    EXPECT_EQ(LineOf("3.1.01,K,P,T,A,B,-5,0,7", 3, 2), "Ziduv Vazuv2001/01/03KPTAB-507\r\n");
}

TEST_F(ReportLine, NumbersAndEmptyNotes) {
    EXPECT_EQ(LineOf("2.1.01,K,P,V,abc,-1.5e2,1e400,", 2, 1),
              "Ziduv Vazuv\t2001/01/02\tK\tP\tV\t0.000000\t-150.000000\tinf\t\r\n");
    EXPECT_EQ(LineOf("1.1.99,7:5,-1:30,K,P,T", 1, 0),
              "Ziduv Vazuv\t1999/01/01\tK\tP\tT\t07:05\t-30\t\r\n");
}

// A write that fails gives 0 once the stream is flushed, and leaves the file
// as it was, never with part of a line.
class ReportErrors : public ReportFilesTest {};

#ifndef _WIN32
TEST_F(ReportErrors, FullDeviceGivesZeroAndNoPartialLine) {
    std::strcpy(ConduitSettings.ExpenseReportFile, "../../../../../../../../dev/full");
    Open(true);
    EXPECT_EQ(ConvertRecord(kExamples[1].text, 2), 1);  // still in the buffer
    EXPECT_FALSE(FlushReportFiles());
    EXPECT_TRUE(reportFiles[1]->Failed());
    EXPECT_EQ(ConvertRecord(kExamples[1].text, 2), 0);
}
#endif

}  // namespace
