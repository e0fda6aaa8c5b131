// The MIB reader: standard modules with their imports, small hand-written modules for the
// rules of the scanner and the layouts of real modules that trip a plain keyword scanner,
// the refusals, and the tree the MIB dialog shows with its ticks, rows and tags.
#include "snmp/mib.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "snmp/mib_tree.h"

namespace vilk {
namespace {

namespace fs = std::filesystem;

const std::string kStandard = std::string(VILK_TEST_DATA) + "/mibs";

class MibTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir = fs::path(::testing::TempDir()) /
          (std::string("mib_") + info->name() + "_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    mib.MibFolder = kStandard;
  }
  void TearDown() override { fs::remove_all(dir); }

  std::string Write(const std::string& name, const std::string& text) {
    std::ofstream(dir / name, std::ios::binary) << text;
    return (dir / name).string();
  }
  bool Load(const std::string& name) { return mib.LoadMib((dir / name).string()); }

  // Dotted identifier of a name, "-" when it has none.
  std::string Oid(const std::string& name) const {
    const TOIDEntry* e = mib.FindOid(name);
    return e ? OidToText(e->Oid) : "-";
  }
  const TSNMPObject* Object(const std::string& name) const {
    for (const auto& o : mib.Objects())
      if (o->Name == name) return o.get();
    return nullptr;
  }
  static std::vector<std::string> Names(const std::vector<TSNMPObject*>& objects) {
    std::vector<std::string> out;
    for (const TSNMPObject* o : objects) out.push_back(o->Name);
    return out;
  }

  fs::path dir;
  TMib mib;
};

// --- values ---

TEST_F(MibTest, ValuesFollowTheirParent) {
  Write("VALUES-MIB",
        "VALUES-MIB DEFINITIONS ::= BEGIN\n"
        "org       OBJECT IDENTIFIER ::= { iso 3 }\n"
        "dod       OBJECT IDENTIFIER ::= { org 6 }\n"
        "internet  OBJECT IDENTIFIER ::= { iso org(3) dod(6) 1 }\n"
        "mgmt      OBJECT IDENTIFIER ::= {internet 2}\n"
        "mib-2     OBJECT IDENTIFIER ::= { mgmt 1 }\n"
        "system    OBJECT IDENTIFIER ::= { mib-2 1 }\n"
        "zeroDotZero OBJECT IDENTIFIER ::= { 0 0 }\n"
        "orphan    OBJECT IDENTIFIER ::= { nowhere 1 }\n"
        "private   OBJECT IDENTIFIER ::= { internet 4 }\n"
        "END\n");
  ASSERT_TRUE(Load("VALUES-MIB"));
  EXPECT_EQ(Oid("iso"), "1");
  EXPECT_EQ(Oid("org"), "1.3");
  EXPECT_EQ(Oid("dod"), "1.3.6");
  EXPECT_EQ(Oid("internet"), "1.3.6.1");
  EXPECT_EQ(Oid("mgmt"), "1.3.6.1.2");
  EXPECT_EQ(Oid("mib-2"), "1.3.6.1.2.1");
  EXPECT_EQ(Oid("system"), "1.3.6.1.2.1.1");
  EXPECT_EQ(Oid("zeroDotZero"), "0.0");
  // An undefined parent: the line is named, the name gets nothing, reading goes on.
  EXPECT_EQ(Oid("orphan"), "-");
  EXPECT_EQ(Oid("private"), "1.3.6.1.4");
  EXPECT_EQ(mib.Errors(), std::vector<std::string>{"----- ошибка: VALUES-MIB строка 9"});

  std::vector<std::string> order;
  for (const TOIDEntry& e : mib.Oids()) order.push_back(e.Name + " " + e.Category);
  EXPECT_EQ(order, (std::vector<std::string>{"iso OID", "org OID", "dod OID", "internet OID",
                                             "mgmt OID", "mib-2 OID", "system OID",
                                             "zeroDotZero OID", "private OID"}));
}

TEST_F(MibTest, IdentifiersThatDoNotFitATagAreRefusedByName) {
  Write("BIG-MIB",
        "BIG-MIB DEFINITIONS ::= BEGIN\n"
        "bigArc    OBJECT IDENTIFIER ::= { iso 3 65536 }\n"
        "deep      OBJECT IDENTIFIER ::= { iso 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 }\n"
        "deep15    OBJECT IDENTIFIER ::= { iso 1 2 3 4 5 6 7 8 9 10 11 12 13 14 }\n"
        "wide      OBJECT IDENTIFIER ::= { iso 3 16384 16384 16384 16384 16384 16384 16384 "
        "16384 16384 16384 16384 }\n"
        "underWide OBJECT IDENTIFIER ::= { wide 1 }\n"
        "huge      OBJECT IDENTIFIER ::= { iso 99999999999999999999 }\n"
        "max       OBJECT IDENTIFIER ::= { iso 3 65535 }\n"
        "bigCount  OBJECT-TYPE\n"
        "    SYNTAX Counter32\n"
        "    ACCESS read-only\n"
        "    ::= { max 70000 }\n"
        "END\n");
  ASSERT_TRUE(Load("BIG-MIB"));
  EXPECT_EQ(Oid("bigArc"), "-");
  EXPECT_EQ(Oid("deep"), "-");
  EXPECT_EQ(Oid("deep15"), "1.1.2.3.4.5.6.7.8.9.10.11.12.13.14");
  EXPECT_EQ(Oid("wide"), "-");
  EXPECT_EQ(Oid("huge"), "-");
  EXPECT_EQ(Oid("max"), "1.3.65535");
  EXPECT_EQ(Oid("bigCount"), "-");
  EXPECT_EQ(mib.Errors(),
            (std::vector<std::string>{
                "----- ошибка: BIG-MIB строка 2: в идентификаторе bigArc число 65536 больше 65535",
                "----- ошибка: BIG-MIB строка 3: идентификатор deep длиннее 15 чисел",
                "----- ошибка: BIG-MIB строка 5: идентификатор wide занимает 34 байт, в теге "
                "помещается 32",
                "----- ошибка: BIG-MIB строка 6",
                "----- ошибка: BIG-MIB строка 7: в идентификаторе huge число 99999999999999999999 "
                "больше 65535",
                "----- ошибка: BIG-MIB строка 12: в идентификаторе bigCount число 70000 больше "
                "65535",
            }));
  // An object without identifier is never offered as a tag.
  ASSERT_NE(Object("bigCount"), nullptr);
  EXPECT_FALSE(Object("bigCount")->Selectable());
  EXPECT_TRUE(mib.NoModule().Objects.empty());
}

// --- layouts of real modules ---

const char kTrapsMib[] =
    "TRAPS-MIB DEFINITIONS ::= BEGIN\n"
    "\n"
    "IMPORTS\n"
    "\tMODULE-IDENTITY, OBJECT-TYPE, Integer32, mib-2\n"
    "\t\tFROM SNMPv2-SMI\n"
    "    DisplayString FROM SNMPv2-TC; -- OwnerString FROM MISSING-ONE-MIB\n"
    "--  Counter32 FROM MISSING-TWO-MIB;\n"
    "--  Gauge32 FROM MISSING-THREE-MIB\n"
    "\n"
    "trapsMIB\n"
    "    MODULE-IDENTITY\n"
    "    LAST-UPDATED \"202601010000Z\"\n"
    "    ORGANIZATION \"test\"\n"
    "    CONTACT-INFO \"none\"\n"
    "    DESCRIPTION\n"
    "        \"Text shaped like definitions, as IF-MIB has it:\n"
    "\n"
    "            fake  OBJECT IDENTIFIER ::= { 0 0 }\n"
    "            fakeObject OBJECT-TYPE\n"
    "            FakeEntry ::= SEQUENCE { a INTEGER }\n"
    "\n"
    "        IMPORTS FROM MISSING-FOUR-MIB; and the quote closes here.\"\n"
    "    ::= { mib-2 9999 }\n"
    "\n"
    "trapsObjects OBJECT IDENTIFIER ::=\n"
    "    { trapsMIB 1 }\n"
    "\n"
    "trapsCount\n"
    "    OBJECT-TYPE\n"
    "    SYNTAX      Integer32\n"
    "    MAX-ACCESS  read-only\n"
    "    STATUS      current\n"
    "    DESCRIPTION \"Counts -- this is no comment -- things;\n"
    "                 a second line.\"\n"
    "    ::=\n"
    "        { trapsObjects 1 }\n"
    "\n"
    "trapsKind OBJECT-TYPE\n"
    "    SYNTAX      INTEGER { one(1), -- a comment with a \" quote\n"
    "                          two(2) }\n"
    "    MAX-ACCESS  read-write\n"
    "    STATUS      current\n"
    "    DESCRIPTION \"After a quote in a comment.\" ::= { trapsObjects 2 }\n"
    "\n"
    "TrapsKindType ::= TEXTUAL-CONVENTION\n"
    "    STATUS       current\n"
    "    DESCRIPTION  \"A textual convention of OBJECT IDENTIFIER syntax.\"\n"
    "    SYNTAX       OBJECT IDENTIFIER\n"
    "\n"
    "trapsLast OBJECT IDENTIFIER ::= { trapsObjects 3 }\n"
    "END\n";

TEST_F(MibTest, RealModuleLayoutsReadCorrectly) {
  Write("TRAPS-MIB", kTrapsMib);
  ASSERT_TRUE(Load("TRAPS-MIB"));
  EXPECT_TRUE(mib.Errors().empty()) << mib.Errors().front();
  EXPECT_EQ(Oid("trapsMIB"), "1.3.6.1.2.1.9999");
  EXPECT_EQ(Oid("trapsObjects"), "1.3.6.1.2.1.9999.1");
  EXPECT_EQ(Oid("trapsCount"), "1.3.6.1.2.1.9999.1.1");
  EXPECT_EQ(Oid("trapsKind"), "1.3.6.1.2.1.9999.1.2");
  EXPECT_EQ(Oid("trapsLast"), "1.3.6.1.2.1.9999.1.3");
  for (const char* fake : {"fake", "fakeObject", "TrapsKindType", "SYNTAX"})
    EXPECT_EQ(Oid(fake), "-") << fake;
  EXPECT_EQ(Object("fakeObject"), nullptr);
  EXPECT_TRUE(mib.Sequences().empty());

  // Only the real imports are read; the commented-out ones are not even looked for.
  std::vector<std::string> files;
  for (const std::string& line : mib.Info()) files.push_back(fs::path(line).filename().string());
  EXPECT_EQ(files,
            (std::vector<std::string>{"TRAPS-MIB", "SNMPv2-SMI", "SNMPv2-TC", "Модуль: trapsMIB"}));

  const TSNMPObject* count = Object("trapsCount");
  ASSERT_NE(count, nullptr);
  EXPECT_EQ(count->Syntax, "Integer32");
  EXPECT_EQ(count->Access, "read-only");
  EXPECT_EQ(count->Description, "Counts -- this is no comment -- things; a second line.");
  EXPECT_TRUE(count->Selectable());
  const TSNMPObject* kind = Object("trapsKind");
  ASSERT_NE(kind, nullptr);
  EXPECT_EQ(kind->Description, "After a quote in a comment.");
  EXPECT_EQ(kind->Access, "read-write");
  ASSERT_EQ(mib.Modules().size(), 1u);
  EXPECT_EQ(mib.Modules()[0]->Name, "TRAPS-MIB");
  EXPECT_EQ(mib.Modules()[0]->Identity, "trapsMIB");
  EXPECT_EQ(Names(mib.Modules()[0]->Objects),
            (std::vector<std::string>{"trapsCount", "trapsKind"}));
}

TEST_F(MibTest, TabsAndWindowsLineEndsReadAsBlanksAndLineEnds) {
  std::string text = kTrapsMib;
  std::string crlf;
  for (char c : text) {
    if (c == '\n') crlf += '\r';
    crlf += c == ' ' ? '\t' : c;  // every blank a tab: positions and words stay the same
  }
  Write("TRAPS-MIB", crlf);
  ASSERT_TRUE(Load("TRAPS-MIB"));
  EXPECT_TRUE(mib.Errors().empty());
  EXPECT_EQ(Oid("trapsCount"), "1.3.6.1.2.1.9999.1.1");
  EXPECT_EQ(Oid("trapsLast"), "1.3.6.1.2.1.9999.1.3");
  ASSERT_NE(Object("trapsCount"), nullptr);
  EXPECT_EQ(Object("trapsCount")->Description,
            "Counts -- this is no comment -- things; a second line.");
}

TEST_F(MibTest, KeywordsInColumnOneOrTwoAreNotDefinitions) {
  Write("COLUMNS-MIB",
        "COLUMNS-MIB DEFINITIONS ::= BEGIN\n"
        "base OBJECT IDENTIFIER ::= { iso 3 }\n"
        "colOne\n"
        "OBJECT-TYPE\n"
        "    SYNTAX Integer32\n"
        "    ACCESS read-only\n"
        "    ::= { base 1 }\n"
        "colTwo\n"
        " OBJECT-TYPE\n"
        "    SYNTAX Integer32\n"
        "    ACCESS read-only\n"
        "    ::= { base 2 }\n"
        "colThree\n"
        "  OBJECT-TYPE\n"
        "    SYNTAX Integer32\n"
        "    ACCESS read-only\n"
        "    ::= { base 3 }\n"
        "ab OBJECT-TYPE\n"
        "    SYNTAX Integer32\n"
        "    ACCESS read-only\n"
        "    ::= { base 4 }\n"
        "END\n");
  ASSERT_TRUE(Load("COLUMNS-MIB"));
  EXPECT_TRUE(mib.Errors().empty());
  EXPECT_EQ(Oid("colOne"), "-");
  EXPECT_EQ(Oid("colTwo"), "-");
  EXPECT_EQ(Oid("colThree"), "1.3.3");
  EXPECT_EQ(Oid("ab"), "1.3.4");  // position 4: a two-letter name is enough
  EXPECT_EQ(Names(mib.NoModule().Objects), (std::vector<std::string>{"colThree", "ab"}));
}

TEST_F(MibTest, AnObjectWithoutNameStopsReadingThatFile) {
  Write("STOP-MIB",
        "STOP-MIB DEFINITIONS ::= BEGIN\n"
        "before OBJECT IDENTIFIER ::= { iso 5 }\n"
        "\n"
        "    OBJECT-TYPE\n"
        "    SYNTAX Integer32\n"
        "    ACCESS read-only\n"
        "    ::= { before 1 }\n"
        "after OBJECT IDENTIFIER ::= { iso 6 }\n"
        "END\n");
  ASSERT_TRUE(Load("STOP-MIB"));
  EXPECT_EQ(Oid("before"), "1.5");
  EXPECT_EQ(Oid("after"), "-");
  EXPECT_EQ(mib.Errors(), std::vector<std::string>{"----- ошибка: STOP-MIB строка 4"});
}

TEST_F(MibTest, TruncatedModulesEndWithoutReadingPastTheText) {
  const std::string full =
      "CUT-MIB DEFINITIONS ::= BEGIN\n"
      "cutRoot OBJECT IDENTIFIER ::= { iso 9 }\n"
      "cutValue OBJECT-TYPE\n"
      "    SYNTAX Gauge32\n"
      "    MAX-ACCESS read-only\n"
      "    DESCRIPTION \"A description that never ends\n"
      "    ::= { cutRoot 1 }\n";
  // Every prefix of the text: nothing is read twice, the root is there once complete.
  for (std::size_t n = 0; n <= full.size(); ++n) {
    Write("CUT-MIB", full.substr(0, n));
    ASSERT_TRUE(Load("CUT-MIB")) << n;
    EXPECT_LE(mib.Objects().size(), 1u);
    if (n >= full.find("cutValue")) {
      EXPECT_EQ(Oid("cutRoot"), "1.9") << n;
    }
    EXPECT_EQ(Oid("cutValue"), "-");  // its "::=" lies inside the open quote
  }
  Write("OPEN-MIB", "OPEN-MIB DEFINITIONS ::= BEGIN\nIMPORTS foo FROM\n");
  ASSERT_TRUE(Load("OPEN-MIB"));
  Write("OPEN-MIB", "OPEN-MIB DEFINITIONS ::= BEGIN\nx OBJECT IDENTIFIER ::= { iso 1\n");
  ASSERT_TRUE(Load("OPEN-MIB"));
  EXPECT_EQ(Oid("x"), "-");
  EXPECT_EQ(mib.Errors(), std::vector<std::string>{"----- ошибка: OPEN-MIB строка 2"});
}

TEST_F(MibTest, DescriptionsInCodePage1251BecomeUtf8) {
  Write("CP-MIB",
        "CP-MIB DEFINITIONS ::= BEGIN\n"
        "cpRoot OBJECT IDENTIFIER ::= { iso 4 }\n"
        "cpValue OBJECT-TYPE\n"
        "    SYNTAX Integer32\n"
        "    ACCESS read-only\n"
        "    DESCRIPTION \"\xD2\xEE\xEA \xF4\xE0\xE7\xFB A\"\n"  // "Ток фазы A" in cp1251
        "    ::= { cpRoot 1 }\n"
        "END\n");
  ASSERT_TRUE(Load("CP-MIB"));
  ASSERT_NE(Object("cpValue"), nullptr);
  EXPECT_EQ(Object("cpValue")->Description, "Ток фазы A");
  EXPECT_EQ(Oid("cpValue"), "1.4.1");
}

// --- imports ---

TEST_F(MibTest, ImportsAreReadOnceAndMutualImportsEnd) {
  // ONE-MIB (file one.mib) imports SHARED-MIB and TWO-MIB; TWO-MIB imports both others.
  // SHARED-MIB lies only in the MIB folder, TWO-MIB beside the file with an extension.
  const fs::path folder = dir / "MIBs";
  fs::create_directories(folder);
  std::ofstream(folder / "SHARED-MIB") << "SHARED-MIB DEFINITIONS ::= BEGIN\n"
                                          "sharedRoot OBJECT IDENTIFIER ::= { iso 7 }\n"
                                          "END\n";
  Write("one.mib",
        "ONE-MIB DEFINITIONS ::= BEGIN\n"
        "IMPORTS sharedRoot FROM SHARED-MIB twoRoot FROM TWO-MIB\n"
        "        nothing FROM NOPE-MIB;\n"
        "oneRoot OBJECT IDENTIFIER ::= { twoRoot 1 }\n"
        "END\n");
  Write("TWO-MIB.MIB",
        "TWO-MIB DEFINITIONS ::= BEGIN\n"
        "IMPORTS\n"
        "    sharedRoot FROM SHARED-MIB\n"
        "    oneRoot    FROM ONE-MIB;\n"
        "twoRoot OBJECT IDENTIFIER ::= { sharedRoot 2 }\n"
        "END\n");
  mib.MibFolder = folder.string();
  ASSERT_TRUE(Load("one.mib"));
  EXPECT_EQ(mib.Info(),
            (std::vector<std::string>{(dir / "one.mib").string(), (folder / "SHARED-MIB").string(),
                                      (dir / "TWO-MIB.MIB").string()}));
  EXPECT_EQ(mib.Errors(), std::vector<std::string>{"----- ошибка: NOPE-MIB файл не найден "});
  EXPECT_EQ(Oid("twoRoot"), "1.7.2");
  EXPECT_EQ(Oid("oneRoot"), "1.7.2.1");
}

TEST_F(MibTest, TextInMemoryReadsLikeAFile) {
  Write("IMPORTED-MIB",
        "IMPORTED-MIB DEFINITIONS ::= BEGIN\nimportedRoot OBJECT IDENTIFIER ::= { iso 8 }\nEND\n");
  mib.LoadMibText("MEM-MIB",
                  "MEM-MIB DEFINITIONS ::= BEGIN\n"
                  "IMPORTS importedRoot FROM IMPORTED-MIB memRoot FROM MEM-MIB;\n"
                  "memRoot OBJECT IDENTIFIER ::= { importedRoot 1 }\n"
                  "END\n",
                  dir.string());
  EXPECT_EQ(Oid("memRoot"), "1.8.1");
  EXPECT_EQ(mib.Info(), std::vector<std::string>{(dir / "IMPORTED-MIB").string()});
  EXPECT_TRUE(mib.Errors().empty());
}

TEST_F(MibTest, AFileThatIsNotThereFailsTheLoad) {
  EXPECT_FALSE(mib.LoadMib((dir / "NOSUCH-MIB").string()));
  EXPECT_EQ(mib.Errors(), std::vector<std::string>{"----- ошибка: NOSUCH-MIB файл не найден "});
  EXPECT_FALSE(mib.LoadMib(dir.string()));  // a folder is no module file
  // A new load starts from clean tables.
  Write("A-MIB", "A-MIB DEFINITIONS ::= BEGIN\na OBJECT IDENTIFIER ::= { iso 2 }\nEND\n");
  ASSERT_TRUE(Load("A-MIB"));
  EXPECT_TRUE(mib.Errors().empty());
  EXPECT_EQ(mib.Oids().size(), 2u);
}

// --- tables, groups and the tree ---

const char kTablesMib[] =
    "TABLES-MIB DEFINITIONS ::= BEGIN\n"
    "IMPORTS MODULE-IDENTITY, OBJECT-TYPE, OBJECT-GROUP, Counter32, Integer32, Gauge32, mib-2\n"
    "            FROM SNMPv2-SMI\n"
    "        DisplayString FROM SNMPv2-TC;\n"
    "tablesMIB MODULE-IDENTITY\n"
    "    LAST-UPDATED \"202601010000Z\" ORGANIZATION \"t\" CONTACT-INFO \"t\"\n"
    "    DESCRIPTION \"Tables, scalars and their syntax.\"\n"
    "    ::= { mib-2 9998 }\n"
    "tstCount OBJECT-TYPE\n"
    "    SYNTAX Counter32\n"
    "    MAX-ACCESS read-only\n"
    "    STATUS current\n"
    "    DESCRIPTION \"Counted.\"\n"
    "    ::= { tablesMIB 1 }\n"
    "tstName OBJECT-TYPE\n"
    "    SYNTAX DisplayString\n"
    "    MAX-ACCESS read-only\n"
    "    ::= { tablesMIB 2 }\n"
    "tstSet OBJECT-TYPE\n"
    "    SYNTAX Integer32 (0..10)\n"
    "    MAX-ACCESS read-write\n"
    "    ::= { tablesMIB 3 }\n"
    "tstHidden OBJECT-TYPE\n"
    "    SYNTAX Integer32\n"
    "    MAX-ACCESS not-accessible\n"
    "    ::= { tablesMIB 4 }\n"
    "tstTable OBJECT-TYPE\n"
    "    SYNTAX SEQUENCE OF TstEntry\n"
    "    MAX-ACCESS not-accessible\n"
    "    DESCRIPTION \"The table.\"\n"
    "    ::= { tablesMIB 5 }\n"
    "tstEntry OBJECT-TYPE\n"
    "    SYNTAX TstEntry\n"
    "    MAX-ACCESS not-accessible\n"
    "    INDEX { tstIndex }\n"
    "    ::= { tstTable 1 }\n"
    "TstEntry ::=\n"
    "    SEQUENCE {\n"
    "        tstIndex   Integer32,\n"
    "        tstDescr   DisplayString (SIZE (0..255)),\n"
    "        tstOctets  Counter32\n"
    "    }\n"
    "tstIndex OBJECT-TYPE\n"
    "    SYNTAX Integer32\n"
    "    MAX-ACCESS read-only\n"
    "    ::= { tstEntry 1 }\n"
    "tstDescr OBJECT-TYPE\n"
    "    SYNTAX DisplayString\n"
    "    MAX-ACCESS read-only\n"
    "    ::= { tstEntry 2 }\n"
    "tstOctets OBJECT-TYPE\n"
    "    SYNTAX Counter32\n"
    "    MAX-ACCESS read-only\n"
    "    ::= { tstEntry 3 }\n"
    "PreEntry ::= SEQUENCE { preValue Gauge32 }\n"
    "preTable OBJECT-TYPE\n"
    "    SYNTAX SEQUENCE OF PreEntry\n"
    "    MAX-ACCESS not-accessible\n"
    "    ::= { tablesMIB 6 }\n"
    "preEntry OBJECT-TYPE\n"
    "    SYNTAX PreEntry\n"
    "    MAX-ACCESS not-accessible\n"
    "    ::= { preTable 1 }\n"
    "preValue OBJECT-TYPE\n"
    "    SYNTAX Gauge32\n"
    "    MAX-ACCESS read-only\n"
    "    ::= { preEntry 1 }\n"
    "emptyTable OBJECT-TYPE\n"
    "    SYNTAX SEQUENCE OF EmptyEntry\n"
    "    MAX-ACCESS not-accessible\n"
    "    ::= { tablesMIB 8 }\n"
    "emptyEntry OBJECT-TYPE\n"
    "    SYNTAX EmptyEntry\n"
    "    MAX-ACCESS not-accessible\n"
    "    ::= { emptyTable 1 }\n"
    "EmptyEntry ::= SEQUENCE { emptyName DisplayString }\n"
    "tstGroup OBJECT-GROUP\n"
    "    OBJECTS { tstCount,\n"
    "              tstOctets, tstSet }\n"
    "    STATUS current\n"
    "    DESCRIPTION \"Two scalars and a column.\"\n"
    "    ::= { tablesMIB 7 }\n"
    "END\n";

TEST_F(MibTest, TablesRowsColumnsAndGroupsBind) {
  Write("TABLES-MIB", kTablesMib);
  ASSERT_TRUE(Load("TABLES-MIB"));
  EXPECT_TRUE(mib.Errors().empty());

  const TSNMPObject* table = Object("tstTable");
  ASSERT_NE(table, nullptr);
  EXPECT_TRUE(table->Table);
  EXPECT_EQ(table->Syntax, "TstEntry");
  EXPECT_EQ(table->Rows, 1);
  EXPECT_TRUE(table->Selectable());
  ASSERT_NE(table->Entry, nullptr);
  EXPECT_EQ(table->Entry->Name, "tstEntry");
  EXPECT_TRUE(table->Entry->EntryFlag);
  EXPECT_FALSE(table->Entry->Selectable());
  ASSERT_NE(table->Entry->Sequence, nullptr);
  EXPECT_EQ(table->Entry->Sequence->ColumnNames,
            (std::vector<std::string>{"tstIndex", "tstDescr", "tstOctets"}));
  // DisplayString is not numeric: that column is dropped.
  EXPECT_EQ(Names(table->Entry->Sequence->Columns),
            (std::vector<std::string>{"tstIndex", "tstOctets"}));
  // The row type declared before its table binds all the same.
  ASSERT_NE(Object("preEntry"), nullptr);
  ASSERT_NE(Object("preEntry")->Sequence, nullptr);
  EXPECT_EQ(Names(Object("preEntry")->Sequence->Columns), std::vector<std::string>{"preValue"});

  EXPECT_TRUE(Object("tstCount")->Selectable());
  EXPECT_FALSE(Object("tstName")->Selectable());
  EXPECT_TRUE(Object("tstSet")->Numeric);
  EXPECT_FALSE(Object("tstHidden")->Selectable());
  EXPECT_EQ(Object("tstSet")->Syntax, "Integer32 (0..10)");

  // Columns go to their table first, so the group keeps only the scalars.
  ASSERT_EQ(mib.Groups().size(), 1u);
  EXPECT_EQ(mib.Groups()[0]->MemberNames,
            (std::vector<std::string>{"tstCount", "tstOctets", "tstSet"}));
  EXPECT_EQ(Names(mib.Groups()[0]->Members), (std::vector<std::string>{"tstCount", "tstSet"}));
  EXPECT_EQ(mib.Groups()[0]->Description, "Two scalars and a column.");
  ASSERT_EQ(mib.Modules().size(), 1u);
  EXPECT_EQ(Names(mib.Modules()[0]->Objects),
            (std::vector<std::string>{"tstTable", "preTable", "emptyTable"}));

  EXPECT_EQ(mib.FindOid("tstTable")->Category, "OBJECT TABLE");
  EXPECT_EQ(mib.FindOid("tstEntry")->Category, "TABLE ENTRY");
  EXPECT_EQ(mib.FindOid("tstIndex")->Category, "OBJECT-TYPE");
  EXPECT_EQ(mib.FindOid("tstGroup")->Category, "OBJECT-GROUP");
  EXPECT_EQ(mib.FindOid("tablesMIB")->Category, "MODULE-IDENTITY");
  EXPECT_EQ(Oid("tstGroup"), "1.3.6.1.2.1.9998.7");
}

TEST_F(MibTest, TreeShowsRowsAndTicksAndMakesTags) {
  Write("TABLES-MIB", kTablesMib);
  ASSERT_TRUE(Load("TABLES-MIB"));
  TMibTree tree;
  tree.Build(mib, "TABLES-MIB");
  const std::string before = MibTreeText(tree);
  EXPECT_EQ(before,
            "TABLES-MIB\n"
            "  TABLES-MIB\n"
            "    tstTable\t1.3.6.1.2.1.9998.5\n"
            "      1\n"
            "        tstIndex[1]\t1.3.6.1.2.1.9998.5.1.1.1\n"
            "        tstOctets[1]\t1.3.6.1.2.1.9998.5.1.3.1\n"
            "    preTable\t1.3.6.1.2.1.9998.6\n"
            "      1\n"
            "        preValue[1]\t1.3.6.1.2.1.9998.6.1.1.1\n"
            "    tstGroup\t1.3.6.1.2.1.9998.7\n"
            "      tstCount\t1.3.6.1.2.1.9998.1\n"
            "      tstSet\t1.3.6.1.2.1.9998.3\n");

  MibNode* module = tree.Root()->Child(0);
  MibNode* table = module->Child(0);
  MibNode* group = module->Child(2);
  ASSERT_EQ(table->Kind, MibNodeKind::Table);

  // Ticking the table ticks its rows and columns; three rows keep that tick.
  tree.SetTicked(table, true);
  ASSERT_TRUE(tree.SetRows(table, 3));
  EXPECT_EQ(table->Object->Rows, 3);
  ASSERT_EQ(table->ChildCount(), 3);
  for (int r = 0; r < 3; ++r) {
    const MibNode* row = table->Child(r);
    EXPECT_EQ(row->Text, std::to_string(r + 1));
    EXPECT_TRUE(row->Ticked);
    ASSERT_EQ(row->ChildCount(), 2);
    EXPECT_EQ(row->Child(0)->Text, "tstIndex[" + std::to_string(r + 1) + "]");
    EXPECT_EQ(OidToText(row->Child(1)->Oid), "1.3.6.1.2.1.9998.5.1.3." + std::to_string(r + 1));
    EXPECT_TRUE(row->Child(1)->Ticked);
  }
  // Untick one column of row 2, tick one scalar of the group.
  tree.Toggle(table->Child(1)->Child(0));
  EXPECT_FALSE(table->Child(1)->Child(0)->Ticked);
  EXPECT_TRUE(table->Child(1)->Ticked);  // ticks do not climb
  tree.Toggle(group->Child(1));

  const TSNMP_TagList tags = tree.MakeTags();
  std::vector<std::string> names;
  for (const TSNMP_Tag& t : tags) names.push_back(t.Name);
  EXPECT_EQ(names, (std::vector<std::string>{"tstIndex[1]", "tstOctets[1]", "tstOctets[2]",
                                             "tstIndex[3]", "tstOctets[3]", "tstSet"}));
  // 1.3.6.1.2.1.9998.5.1.3.2: 2B 06 01 02 01, 9998 = CE 0E, then 05 01 03 02.
  EXPECT_EQ(std::vector<std::uint8_t>(tags[2].Oid.begin(), tags[2].Oid.begin() + tags[2].OidLength),
            (std::vector<std::uint8_t>{0x2B, 0x06, 0x01, 0x02, 0x01, 0xCE, 0x0E, 0x05, 0x01, 0x03,
                                       0x02}));
  EXPECT_TRUE(table->Marked);
  EXPECT_TRUE(module->Marked);
  EXPECT_FALSE(module->Child(1)->Marked);  // preTable: nothing ticked below it

  // Zero rows leaves the table without rows; the count is clamped to 0..100.
  ASSERT_TRUE(tree.SetRows(table, -4));
  EXPECT_EQ(table->ChildCount(), 0);
  ASSERT_TRUE(tree.SetRows(table, 1000));
  EXPECT_EQ(table->ChildCount(), 100);
  EXPECT_EQ(table->Child(99)->Child(1)->Text, "tstOctets[100]");
  EXPECT_FALSE(tree.SetRows(group, 2));

  // Unticking the root unticks everything: no tags.
  tree.SetTicked(tree.Root(), false);
  EXPECT_TRUE(tree.MakeTags().empty());
}

TEST_F(MibTest, DetailsOfEachKindOfNode) {
  Write("TABLES-MIB", kTablesMib);
  ASSERT_TRUE(Load("TABLES-MIB"));
  TMibTree tree;
  tree.Build(mib, "TABLES-MIB");
  const MibNode* table = tree.Root()->Child(0)->Child(0);
  MibDetails d = TMibTree::Details(*table);
  EXPECT_EQ(d.Object, "tstTable");
  EXPECT_EQ(d.Category, "OBJECT TABLE");
  EXPECT_EQ(d.Oid, "1.3.6.1.2.1.9998.5");
  EXPECT_EQ(d.Syntax, "TstEntry");
  EXPECT_EQ(d.Access, "not-accessible");
  EXPECT_EQ(d.Description, "The table.");
  EXPECT_TRUE(d.HasRows);
  EXPECT_EQ(d.Rows, 1);

  d = TMibTree::Details(*table->Child(0));
  EXPECT_EQ(d.Category, "TABLE ENTRY");
  EXPECT_EQ(d.Object, "tstEntry");
  EXPECT_FALSE(d.HasRows);

  d = TMibTree::Details(*table->Child(0)->Child(1));
  EXPECT_EQ(d.Object, "tstOctets[1]");
  EXPECT_EQ(d.Category, "OBJECT-TYPE");
  EXPECT_EQ(d.Oid, "1.3.6.1.2.1.9998.5.1.3.1");
  EXPECT_EQ(d.Syntax, "Counter32");
  EXPECT_EQ(d.Access, "read-only");

  d = TMibTree::Details(*tree.Root()->Child(0)->Child(2));
  EXPECT_EQ(d.Object, "tstGroup");
  EXPECT_EQ(d.Category, "OBJECT-GROUP");
  EXPECT_EQ(d.Description, "Two scalars and a column.");
}

TEST_F(MibTest, ObjectsOfFilesWithoutModuleHangUnderTheFile) {
  Write("V1-MIB",
        "V1-MIB DEFINITIONS ::= BEGIN\n"
        "v1 OBJECT IDENTIFIER ::= { iso 3 6 1 4 1 77 }\n"
        "v1Count OBJECT-TYPE\n"
        "    SYNTAX Counter\n"
        "    ACCESS read-only\n"
        "    STATUS mandatory\n"
        "    ::= { v1 1 }\n"
        "v1Gauge OBJECT-TYPE\n"
        "    SYNTAX Gauge\n"  // SMIv1's Gauge is not among the numeric words
        "    ACCESS read-only\n"
        "    ::= { v1 2 }\n"
        "v1Addr OBJECT-TYPE\n"
        "    SYNTAX IpAddress\n"
        "    ACCESS read-write\n"
        "    ::= { v1 3 }\n"
        "v1Group OBJECT-GROUP\n"
        "    OBJECTS { v1Addr }\n"
        "    ::= { v1 9 }\n"
        "END\n");
  ASSERT_TRUE(Load("V1-MIB"));
  TMibTree tree;
  tree.Build(mib, "V1-MIB");
  EXPECT_EQ(MibTreeText(tree),
            "V1-MIB\n"
            "  v1Group\t1.3.6.1.4.1.77.9\n"
            "    v1Addr\t1.3.6.1.4.1.77.3\n"
            "  v1Count\t1.3.6.1.4.1.77.1\n");
}

// --- standard modules ---

TEST_F(MibTest, IfMibWithItsImports) {
  ASSERT_TRUE(mib.LoadMib(kStandard + "/IF-MIB"));
  EXPECT_TRUE(mib.Errors().empty()) << mib.Errors().front();
  std::vector<std::string> info;
  for (const std::string& line : mib.Info()) info.push_back(fs::path(line).filename().string());
  EXPECT_EQ(info, (std::vector<std::string>{"IF-MIB", "SNMPv2-SMI", "SNMPv2-TC", "SNMPv2-CONF",
                                            "SNMPv2-MIB", "Модуль: snmpMIB", "IANAifType-MIB",
                                            "Модуль: ianaifType", "Модуль: ifMIB"}));
  // RFC 2863 and RFC 3418.
  EXPECT_EQ(Oid("ifMIB"), "1.3.6.1.2.1.31");
  EXPECT_EQ(Oid("ifTable"), "1.3.6.1.2.1.2.2");
  EXPECT_EQ(Oid("ifEntry"), "1.3.6.1.2.1.2.2.1");
  EXPECT_EQ(Oid("ifInOctets"), "1.3.6.1.2.1.2.2.1.10");
  EXPECT_EQ(Oid("ifHCOutOctets"), "1.3.6.1.2.1.31.1.1.1.10");
  EXPECT_EQ(Oid("linkDown"), "1.3.6.1.6.3.1.1.5.3");
  EXPECT_EQ(Oid("sysUpTime"), "1.3.6.1.2.1.1.3");
  EXPECT_EQ(Oid("ifCompliance3"), "1.3.6.1.2.1.31.2.2.3");
  EXPECT_EQ(Oid("noTest"), "-");  // only inside ifTestType's DESCRIPTION
  EXPECT_EQ(mib.FindOid("linkDown")->Category, "NOTIFICATION-TYPE");
  EXPECT_EQ(mib.FindOid("ifCompliance3")->Category, "MODULE-COMPLIANCE");
  EXPECT_EQ(mib.FindOid("interfaces")->Category, "OID");

  const TSNMPObject* number = Object("ifNumber");
  ASSERT_NE(number, nullptr);
  EXPECT_EQ(number->Description,
            "The number of network interfaces (regardless of their current state) present on this "
            "system.");
  ASSERT_NE(Object("ifTestType"), nullptr);
  EXPECT_NE(Object("ifTestType")->Description.find("noTest  OBJECT IDENTIFIER ::= { 0 0 }"),
            std::string::npos);

  // The readable numeric columns of ifEntry (ifDescr, ifType, ifPhysAddress, ifSpecific
  // are text, enumerated type or identifier).
  const TSNMPObject* entry = Object("ifEntry");
  ASSERT_NE(entry, nullptr);
  ASSERT_NE(entry->Sequence, nullptr);
  EXPECT_EQ(entry->Sequence->ColumnNames.size(), 22u);
  EXPECT_EQ(Names(entry->Sequence->Columns),
            (std::vector<std::string>{
                "ifIndex", "ifMtu", "ifSpeed", "ifAdminStatus", "ifOperStatus", "ifLastChange",
                "ifInOctets", "ifInUcastPkts", "ifInNUcastPkts", "ifInDiscards", "ifInErrors",
                "ifInUnknownProtos", "ifOutOctets", "ifOutUcastPkts", "ifOutNUcastPkts",
                "ifOutDiscards", "ifOutErrors", "ifOutQLen"}));

  TMibTree tree;
  tree.Build(mib, "IF-MIB");
  std::vector<std::string> modules;
  for (int i = 0; i < tree.Root()->ChildCount(); ++i)
    modules.push_back(tree.Root()->Child(i)->Text);
  EXPECT_EQ(modules, (std::vector<std::string>{"SNMPv2-MIB", "IANAifType-MIB", "IF-MIB"}));
  const MibNode* ifMib = tree.Root()->Child(2);
  std::vector<std::string> top;
  for (int i = 0; i < ifMib->ChildCount(); ++i) top.push_back(ifMib->Child(i)->Text);
  // ifStackTable has no readable numeric column and is left out.
  EXPECT_EQ(top,
            (std::vector<std::string>{"ifTable", "ifXTable", "ifRcvAddressTable", "ifTestTable",
                                      "ifGeneralInformationGroup", "ifStackGroup2"}));
}

TEST_F(MibTest, EveryStandardModuleReadsWithoutSurprises) {
  struct Case {
    const char* module;
    std::vector<std::string> errors;
  };
  const Case cases[] = {
      {"SNMPv2-MIB", {}},
      {"RFC1213-MIB", {}},
      // hrMIBAdminInfo is defined after the MODULE-IDENTITY that names it as its parent.
      {"HOST-RESOURCES-MIB", {"----- ошибка: HOST-RESOURCES-MIB строка 98"}},
      // HCNUM-TC is not among the modules of the folder.
      {"UCD-SNMP-MIB", {"----- ошибка: HCNUM-TC файл не найден "}},
      {"NET-SNMP-MIB", {}},
      {"RFC1155-SMI", {}},
      {"RFC-1212", {}},
      {"RFC-1215", {}},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(mib.LoadMib(kStandard + "/" + c.module)) << c.module;
    EXPECT_EQ(mib.Errors(), c.errors) << c.module;
  }
  ASSERT_TRUE(mib.LoadMib(kStandard + "/RFC1213-MIB"));
  EXPECT_EQ(Oid("ipForwarding"), "1.3.6.1.2.1.4.1");
  EXPECT_EQ(Oid("tcpConnState"), "1.3.6.1.2.1.6.13.1.1");
  EXPECT_EQ(Oid("internet"), "1.3.6.1");  // { iso org(3) dod(6) 1 }
  EXPECT_TRUE(mib.Modules().empty());     // SMIv1: all objects without module
  EXPECT_FALSE(mib.NoModule().Objects.empty());
}

// --- against snmptranslate ---

bool HaveSnmptranslate() {
  return std::system("command -v snmptranslate >/dev/null 2>&1") == 0;
}

// snmptranslate -Tz: every label it knows with its dotted identifier.
std::map<std::string, std::string> Snmptranslate(const std::string& module) {
  std::map<std::string, std::string> out;
  const std::string cmd = "snmptranslate -M '" + kStandard + "' -m " + module + " -Tz 2>/dev/null";
  FILE* p = ::popen(cmd.c_str(), "r");
  if (!p) return out;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, p)) {
    // "label"<tabs>"1.3.6"
    std::string line(buffer);
    const std::size_t a = line.find('"'), b = line.find('"', a + 1), c = line.find('"', b + 1),
                      d = line.find('"', c + 1);
    if (d == std::string::npos) continue;
    out[line.substr(a + 1, b - a - 1)] = line.substr(c + 1, d - c - 1);
  }
  ::pclose(p);
  return out;
}

TEST_F(MibTest, IdentifiersAgreeWithSnmptranslate) {
  if (!HaveSnmptranslate()) GTEST_SKIP() << "snmptranslate (Debian package snmp) is not installed";
  // What snmptranslate knows and we do not, and why:
  //  org, dod: it also defines the named arcs of "{ iso org(3) dod(6) 1 }"; we read
  //   that value as 1.3.6.1 and define only "internet".
  //  hostResourcesMibModule: its parent is defined further down the file; we read
  //   one pass, and report the line.
  const std::map<std::string, std::set<std::string>> onlyTheirs = {
      {"RFC1213-MIB", {"org", "dod"}},
      {"RFC1155-SMI", {"org", "dod"}},
      {"HOST-RESOURCES-MIB", {"hostResourcesMibModule"}},
  };
  for (const char* module :
       {"IF-MIB", "SNMPv2-MIB", "RFC1213-MIB", "HOST-RESOURCES-MIB", "UCD-SNMP-MIB", "NET-SNMP-MIB",
        "IANAifType-MIB", "SNMPv2-SMI", "RFC1155-SMI"}) {
    const std::map<std::string, std::string> theirs = Snmptranslate(module);
    ASSERT_FALSE(theirs.empty()) << module;
    ASSERT_TRUE(mib.LoadMib(kStandard + "/" + module));
    std::set<std::string> ours;
    for (const TOIDEntry& e : mib.Oids()) {
      if (e.Name == "iso") continue;  // the root, not printed by -Tz
      ours.insert(e.Name);
      auto it = theirs.find(e.Name);
      if (it == theirs.end()) {
        ADD_FAILURE() << module << ": " << e.Name << " unknown to snmptranslate";
        continue;
      }
      EXPECT_EQ(OidToText(e.Oid), it->second) << module << ": " << e.Name;
    }
    std::set<std::string> missing;
    for (const auto& [name, oid] : theirs)
      if (!ours.count(name)) missing.insert(name);
    auto expected = onlyTheirs.find(module);
    EXPECT_EQ(missing, expected == onlyTheirs.end() ? std::set<std::string>{} : expected->second)
        << module;
  }
}

// --- the line splitter ---

TEST(MibLines, CommentsQuotesAndTabs) {
  const MibText text("a\t\"x -- y\" -- z \"\n\"q\nw\" b -- c\r\n\r\nlast\rafter a lone CR");
  const std::vector<MibLine>& lines = text.Lines();
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0].Raw, "a \"x -- y\" ");
  EXPECT_EQ(lines[0].Code, "a          ");
  ASSERT_EQ(lines[0].Strings.size(), 1u);
  EXPECT_EQ(lines[0].Raw.substr(lines[0].Strings[0].Begin,
                                lines[0].Strings[0].End - lines[0].Strings[0].Begin),
            "x -- y");
  EXPECT_EQ(lines[1].Raw, "\"q");
  ASSERT_EQ(lines[1].Strings.size(), 1u);
  EXPECT_TRUE(lines[1].Strings[0].Opens);
  EXPECT_FALSE(lines[1].Strings[0].Closes);
  EXPECT_EQ(lines[2].Raw, "w\" b ");
  EXPECT_EQ(lines[2].Code, "   b ");
  EXPECT_FALSE(lines[2].Strings[0].Opens);
  EXPECT_TRUE(lines[2].Strings[0].Closes);
  EXPECT_TRUE(lines[3].Blank);
  EXPECT_EQ(lines[4].Code, "last");
  EXPECT_EQ(lines[5].Code, "after a lone CR");
  EXPECT_FALSE(lines[5].Blank);
}

TEST(MibLines, DashesAndTabsInsideAndOutsideQuotes) {
  const MibText text("x-y \"a-b\t--c\" d-- e\n\"open at the end");
  const std::vector<MibLine>& lines = text.Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].Raw, "x-y \"a-b --c\" d");
  EXPECT_EQ(lines[0].Code, "x-y           d");
  ASSERT_EQ(lines[0].Strings.size(), 1u);
  EXPECT_EQ(lines[0].Strings[0].Begin, 5u);
  EXPECT_EQ(lines[0].Strings[0].End, 12u);
  EXPECT_FALSE(lines[0].CodeBlank);
  EXPECT_EQ(lines[1].Raw, "\"open at the end");
  EXPECT_TRUE(lines[1].CodeBlank);
  EXPECT_FALSE(lines[1].Blank);
  ASSERT_EQ(lines[1].Strings.size(), 1u);
  EXPECT_FALSE(lines[1].Strings[0].Closes);
  EXPECT_EQ(lines[1].Strings[0].End, lines[1].Raw.size());
}

}  // namespace
}  // namespace vilk
