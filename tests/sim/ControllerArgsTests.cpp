#include "ControllerArgs.h"

#include "SimTestSupport.h"

#include <gtest/gtest.h>

namespace {

TEST(ControllerArgs, DefaultsAreTheProgramsDefaultLink)
{
    QString error;
    const auto setup = ParseControllerArgument(QStringLiteral("address=3,model=C"), error);
    ASSERT_TRUE(setup) << error.toStdString();
    EXPECT_EQ(setup->Config.Address, 3);
    EXPECT_EQ(setup->Config.Kind, Model::C);
    EXPECT_EQ(DescribeLink(setup->Config), QStringLiteral("9600 7E1 ASCII"));
}

TEST(ControllerArgs, TakesEveryField)
{
    QString error;
    const auto setup = ParseControllerArgument(
        QStringLiteral("address=2,model=b,baud=19200,data=8,parity=odd,stop=2,format=RTU,firmware=3.20,sv=-12.5"), error);
    ASSERT_TRUE(setup) << error.toStdString();
    EXPECT_EQ(setup->Config.Kind, Model::B);
    EXPECT_EQ(DescribeLink(setup->Config), QStringLiteral("19200 8O2 RTU"));
    EXPECT_EQ(setup->Config.Firmware, 0x0320);
    EXPECT_EQ(setup->SetValue, -125);
}

TEST(ControllerArgs, RtuDefaultsToEightDataBits)
{
    QString error;
    const auto setup = ParseControllerArgument(QStringLiteral("address=17,model=A,format=rtu"), error);
    ASSERT_TRUE(setup);
    EXPECT_EQ(DescribeLink(setup->Config), QStringLiteral("9600 8E1 RTU"));
}

TEST(ControllerArgs, SecurityFieldsSetUpModelC)
{
    QString error;
    const auto setup = ParseControllerArgument(QStringLiteral("address=3,model=C,level=2,keys=5,key1=ABCD"), error);
    ASSERT_TRUE(setup) << error.toStdString();
    VirtualClock clock;
    SimController c(clock, setup->Config);
    ApplySetup(c, *setup);
    EXPECT_EQ(c.SecurityLevel(), 2);
    EXPECT_EQ(c.LevelKeys(), 5);
    EXPECT_EQ(c.Password(1), 0xABCD);
    EXPECT_EQ(c.Password(2), 0x2222);
}

struct BadCase {
    const char *Name;
    const char *Text;
    const char *Field;  // the error starts by naming it
};

class ControllerArgsBad : public ::testing::TestWithParam<BadCase> {};

TEST_P(ControllerArgsBad, NameTheBadField)
{
    QString error;
    EXPECT_FALSE(ParseControllerArgument(QString::fromLatin1(GetParam().Text), error));
    EXPECT_TRUE(error.startsWith(QLatin1String(GetParam().Field))) << error.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, ControllerArgsBad,
    ::testing::Values(BadCase{"AddressMissing", "model=A", "address"},
                      BadCase{"AddressZero", "address=0,model=A", "address: \"0\""},
                      BadCase{"AddressTooHigh", "address=248,model=A", "address: \"248\""},
                      BadCase{"AddressNotNumber", "address=one,model=A", "address: \"one\""},
                      BadCase{"ModelMissing", "address=1", "model"},
                      BadCase{"ModelD", "address=1,model=D", "model: \"D\""},
                      BadCase{"BaudOdd", "address=1,model=A,baud=1234", "baud: \"1234\""},
                      BadCase{"DataNine", "address=1,model=A,data=9", "data: \"9\""},
                      BadCase{"RtuSevenBits", "address=1,model=A,format=rtu,data=7", "data: RTU"},
                      BadCase{"ParityMark", "address=1,model=A,parity=mark", "parity: \"mark\""},
                      BadCase{"StopThree", "address=1,model=A,stop=3", "stop: \"3\""},
                      BadCase{"FormatBinary", "address=1,model=A,format=binary", "format: \"binary\""},
                      BadCase{"FirmwareText", "address=1,model=A,firmware=new", "firmware: \"new\""},
                      BadCase{"SetValueTooHigh", "address=1,model=A,sv=1000.0", "sv: \"1000.0\""},
                      BadCase{"LevelOnModelB", "address=1,model=B,level=4", "level"},
                      BadCase{"LevelThree", "address=1,model=C,level=3", "level: \"3\""},
                      BadCase{"KeyShort", "address=1,model=C,key2=12", "key2: \"12\""},
                      BadCase{"UnknownField", "address=1,model=A,speed=9600", "unknown field \"speed\""},
                      BadCase{"Twice", "address=1,model=A,baud=9600,baud=4800", "baud: given twice"},
                      BadCase{"NoValue", "address=1,model=A,baud=", "baud: needs a value"},
                      BadCase{"Empty", "", "nothing given"}),
    [](const auto &info) { return std::string(info.param.Name); });

TEST(ControllerArgs, FaultsParseWithTheirSchedule)
{
    QString error;
    const auto fault = ParseFaultArgument(QStringLiteral("address=4,kind=split,every=5,count=2,bytes=2,gap=15"), error);
    ASSERT_TRUE(fault) << error.toStdString();
    EXPECT_EQ(fault->Address, 4);
    EXPECT_EQ(fault->Rule.Kind, Fault::Split);
    EXPECT_EQ(fault->Rule.Every, 5);
    EXPECT_EQ(fault->Rule.Count, 2);
    EXPECT_EQ(fault->SplitBytes, 2);
    EXPECT_EQ(fault->GapMs, 15);
    EXPECT_FALSE(ParseFaultArgument(QStringLiteral("address=4,kind=lightning"), error));
    EXPECT_TRUE(error.startsWith(QLatin1String("kind: \"lightning\"")));
    EXPECT_FALSE(ParseFaultArgument(QStringLiteral("address=4,kind=slow,probability=2"), error));
    EXPECT_TRUE(error.startsWith(QLatin1String("probability")));
}

} // namespace
