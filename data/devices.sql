-- devices.db: the PIC microcontrollers the AN1310 bootloader host can program.
-- Built into devices.db at build time (sqlite3 -bail devices.db ".read devices.sql").
--
-- Addresses are in each family's address units: words for family 2 (mid-range
-- PIC16), bytes for family 4 (PIC18) and family 8 (PIC32, physical addresses),
-- two units per 24-bit instruction for family 5 (PIC24/dsPIC33). Block sizes are
-- in address units, except family 5, whose block sizes are in instructions.
-- DEVICEID is the ID the bootloader reports: the DEV field of the device-ID
-- register without the revision bits (families 2 and 4: the register >> 5;
-- family 5: DEVID; family 8: bits 12 to 19 of DEVID).
-- Values are those of the parts' data sheets and programming specifications.

PRAGMA foreign_keys = ON;
BEGIN;

CREATE TABLE DEVICES (
    DEVICEROWID INTEGER PRIMARY KEY,
    PARTNAME TEXT NOT NULL UNIQUE,
    DEVICEID INTEGER NOT NULL,
    FAMILYID INTEGER NOT NULL,
    WRITEFLASHBLOCKSIZE INTEGER NOT NULL,
    ERASEFLASHBLOCKSIZE INTEGER NOT NULL,
    STARTFLASH INTEGER NOT NULL,
    ENDFLASH INTEGER NOT NULL,
    STARTEE INTEGER NOT NULL,
    ENDEE INTEGER NOT NULL,
    STARTUSER INTEGER NOT NULL,
    ENDUSER INTEGER NOT NULL,
    STARTCONFIG INTEGER NOT NULL,
    ENDCONFIG INTEGER NOT NULL,
    STARTGPR INTEGER NOT NULL,
    ENDGPR INTEGER NOT NULL,
    BYTESPERWORDFLASH INTEGER NOT NULL
);
-- By ID alone: rows of one ID stay in the order they were added, so a lookup
-- for any family finds the first of them.
CREATE INDEX DEVICES_BY_ID ON DEVICES (DEVICEID);

CREATE TABLE CONFIGWORDS (
    CONFIGWORDROWID INTEGER PRIMARY KEY, -- the ROWID
    DEVICEROWID INTEGER NOT NULL REFERENCES DEVICES (DEVICEROWID),
    CONFIGNAME TEXT NOT NULL,
    ADDRESS INTEGER NOT NULL,
    DEFAULTVALUE INTEGER NOT NULL,
    IMPLEMENTEDBITS INTEGER NOT NULL
);
CREATE INDEX CONFIGWORDS_BY_DEVICE ON CONFIGWORDS (DEVICEROWID, ADDRESS);

CREATE TABLE CONFIGFIELDS (
    CONFIGFIELDROWID INTEGER PRIMARY KEY, -- the ROWID
    DEVICEROWID INTEGER NOT NULL REFERENCES DEVICES (DEVICEROWID),
    CONFIGWORDID INTEGER NOT NULL REFERENCES CONFIGWORDS (CONFIGWORDROWID),
    FIELDCNAME TEXT NOT NULL,
    DESCRIPTION TEXT NOT NULL
);
CREATE INDEX CONFIGFIELDS_BY_DEVICE ON CONFIGFIELDS (DEVICEROWID, CONFIGWORDID);

CREATE TABLE CONFIGSETTINGS (
    DEVICEROWID INTEGER NOT NULL REFERENCES DEVICES (DEVICEROWID),
    CONFIGFIELDID INTEGER NOT NULL REFERENCES CONFIGFIELDS (CONFIGFIELDROWID),
    SETTINGCNAME TEXT NOT NULL,
    DESCRIPTION TEXT NOT NULL,
    BITMASK INTEGER NOT NULL,
    BITVALUE INTEGER NOT NULL
);
CREATE INDEX CONFIGSETTINGS_BY_DEVICE ON CONFIGSETTINGS (DEVICEROWID, CONFIGFIELDID);

INSERT INTO DEVICES (PARTNAME, DEVICEID, FAMILYID, WRITEFLASHBLOCKSIZE, ERASEFLASHBLOCKSIZE, STARTFLASH, ENDFLASH,
                     STARTEE, ENDEE, STARTUSER, ENDUSER, STARTCONFIG, ENDCONFIG, STARTGPR, ENDGPR, BYTESPERWORDFLASH)
VALUES
    -- 8K words of flash, 256 bytes of EEPROM (at 0x2100 in the HEX word space), 368 bytes of RAM.
    ('PIC16F886', 0x103, 2, 8, 8, 0x0000, 0x2000, 0x2100, 0x2200, 0x2000, 0x2004, 0x2007, 0x2009, 0x0020, 0x0190, 2),
    ('PIC16F887', 0x104, 2, 8, 8, 0x0000, 0x2000, 0x2100, 0x2200, 0x2000, 0x2004, 0x2007, 0x2009, 0x0020, 0x0190, 2),
    -- 64 KB of flash, 1 KB of EEPROM (at 0xF00000 in the HEX space), 3968 bytes of RAM.
    ('PIC18F2620', 0x064, 4, 64, 64, 0x0000, 0x10000, 0xF00000, 0xF00400, 0x200000, 0x200008, 0x300000, 0x30000E,
     0x0000, 0x0F80, 2),
    ('PIC18F4620', 0x060, 4, 64, 64, 0x0000, 0x10000, 0xF00000, 0xF00400, 0x200000, 0x200008, 0x300000, 0x30000E,
     0x0000, 0x0F80, 2),
    -- 22K instructions of flash, the two configuration words in its last two instructions, 8 KB of RAM.
    ('PIC24FJ64GA002', 0x0447, 5, 64, 512, 0x0000, 0xAC00, 0, 0, 0, 0, 0xABFC, 0xAC00, 0x0800, 0x2800, 3),
    -- 512 KB of program flash, configuration at the top of the 12 KB boot flash, 32 KB of RAM.
    ('PIC32MX360F512L', 0x38, 8, 512, 4096, 0x1D000000, 0x1D080000, 0, 0, 0, 0, 0x1FC02FF0, 0x1FC03000,
     0x00000000, 0x00008000, 4);

-- Configuration words are written once per configuration set and shared by the
-- parts that have the same configuration memory.
CREATE TEMP TABLE part_config (part TEXT NOT NULL, cset TEXT NOT NULL);
CREATE TEMP TABLE cfg_word (cset TEXT NOT NULL, word TEXT NOT NULL, address INTEGER NOT NULL,
                            def INTEGER NOT NULL, impl INTEGER NOT NULL, UNIQUE (cset, word));
CREATE TEMP TABLE cfg_field (cset TEXT NOT NULL, word TEXT NOT NULL, field TEXT NOT NULL, mask INTEGER NOT NULL,
                             descr TEXT NOT NULL, UNIQUE (cset, field));
CREATE TEMP TABLE cfg_setting (cset TEXT NOT NULL, field TEXT NOT NULL, setting TEXT NOT NULL, value INTEGER NOT NULL,
                               descr TEXT NOT NULL, UNIQUE (cset, field, setting));

INSERT INTO part_config VALUES
    ('PIC16F886', 'PIC16F88x'), ('PIC16F887', 'PIC16F88x'),
    ('PIC18F2620', 'PIC18F4620'), ('PIC18F4620', 'PIC18F4620'),
    ('PIC24FJ64GA002', 'PIC24FJ64GA'),
    ('PIC32MX360F512L', 'PIC32MX3');

-- PIC16F88x ------------------------------------------------------------------
INSERT INTO cfg_word VALUES
    ('PIC16F88x', 'CONFIG1', 0x2007, 0x3FFF, 0x3FFF),
    ('PIC16F88x', 'CONFIG2', 0x2008, 0x3FFF, 0x0700);
INSERT INTO cfg_field VALUES
    ('PIC16F88x', 'CONFIG1', 'FOSC', 0x0007, 'Oscillator Selection bits'),
    ('PIC16F88x', 'CONFIG1', 'WDTE', 0x0008, 'Watchdog Timer Enable bit'),
    ('PIC16F88x', 'CONFIG1', 'PWRTE', 0x0010, 'Power-up Timer Enable bit'),
    ('PIC16F88x', 'CONFIG1', 'MCLRE', 0x0020, 'RE3/MCLR pin function select bit'),
    ('PIC16F88x', 'CONFIG1', 'CP', 0x0040, 'Code Protection bit'),
    ('PIC16F88x', 'CONFIG1', 'CPD', 0x0080, 'Data Code Protection bit'),
    ('PIC16F88x', 'CONFIG1', 'BOREN', 0x0300, 'Brown Out Reset Selection bits'),
    ('PIC16F88x', 'CONFIG1', 'IESO', 0x0400, 'Internal External Switchover bit'),
    ('PIC16F88x', 'CONFIG1', 'FCMEN', 0x0800, 'Fail-Safe Clock Monitor Enabled bit'),
    ('PIC16F88x', 'CONFIG1', 'LVP', 0x1000, 'Low Voltage Programming Enable bit'),
    ('PIC16F88x', 'CONFIG1', 'DEBUG', 0x2000, 'In-Circuit Debugger Mode bit'),
    ('PIC16F88x', 'CONFIG2', 'BOR4V', 0x0100, 'Brown-out Reset Selection bit'),
    ('PIC16F88x', 'CONFIG2', 'WRT', 0x0600, 'Flash Program Memory Self Write Enable bits');
INSERT INTO cfg_setting VALUES
    ('PIC16F88x', 'FOSC', 'LP', 0x0, 'LP oscillator: Low-power crystal on RA6/OSC2/CLKOUT and RA7/OSC1/CLKIN'),
    ('PIC16F88x', 'FOSC', 'XT', 0x1, 'XT oscillator: Crystal/resonator on RA6/OSC2/CLKOUT and RA7/OSC1/CLKIN'),
    ('PIC16F88x', 'FOSC', 'HS', 0x2, 'HS oscillator: High-speed crystal/resonator on RA6/OSC2/CLKOUT and RA7/OSC1/CLKIN'),
    ('PIC16F88x', 'FOSC', 'EC', 0x3, 'EC: I/O function on RA6/OSC2/CLKOUT pin, CLKIN on RA7/OSC1/CLKIN'),
    ('PIC16F88x', 'FOSC', 'INTRC_NOCLKOUT', 0x4, 'INTOSCIO oscillator: I/O function on RA6/OSC2/CLKOUT pin, I/O function on RA7/OSC1/CLKIN'),
    ('PIC16F88x', 'FOSC', 'INTRC_CLKOUT', 0x5, 'INTOSC oscillator: CLKOUT function on RA6/OSC2/CLKOUT pin, I/O function on RA7/OSC1/CLKIN'),
    ('PIC16F88x', 'FOSC', 'EXTRC_NOCLKOUT', 0x6, 'RCIO oscillator: I/O function on RA6/OSC2/CLKOUT pin, RC on RA7/OSC1/CLKIN'),
    ('PIC16F88x', 'FOSC', 'EXTRC_CLKOUT', 0x7, 'RC oscillator: CLKOUT function on RA6/OSC2/CLKOUT pin, RC on RA7/OSC1/CLKIN'),
    ('PIC16F88x', 'WDTE', 'OFF', 0x0, 'WDT disabled and can be enabled by SWDTEN bit of the WDTCON register'),
    ('PIC16F88x', 'WDTE', 'ON', 0x8, 'WDT enabled'),
    ('PIC16F88x', 'PWRTE', 'ON', 0x00, 'PWRT enabled'),
    ('PIC16F88x', 'PWRTE', 'OFF', 0x10, 'PWRT disabled'),
    ('PIC16F88x', 'MCLRE', 'OFF', 0x00, 'RE3/MCLR pin function is digital input, MCLR internally tied to VDD'),
    ('PIC16F88x', 'MCLRE', 'ON', 0x20, 'RE3/MCLR pin function is MCLR'),
    ('PIC16F88x', 'CP', 'ON', 0x00, 'Program memory code protection is enabled'),
    ('PIC16F88x', 'CP', 'OFF', 0x40, 'Program memory code protection is disabled'),
    ('PIC16F88x', 'CPD', 'ON', 0x00, 'Data memory code protection is enabled'),
    ('PIC16F88x', 'CPD', 'OFF', 0x80, 'Data memory code protection is disabled'),
    ('PIC16F88x', 'BOREN', 'OFF', 0x000, 'BOR disabled'),
    ('PIC16F88x', 'BOREN', 'SBODEN', 0x100, 'BOR controlled by SBOREN bit of the PCON register'),
    ('PIC16F88x', 'BOREN', 'NSLEEP', 0x200, 'BOR enabled during operation and disabled in Sleep'),
    ('PIC16F88x', 'BOREN', 'ON', 0x300, 'BOR enabled'),
    ('PIC16F88x', 'IESO', 'OFF', 0x000, 'Internal/External Switchover mode is disabled'),
    ('PIC16F88x', 'IESO', 'ON', 0x400, 'Internal/External Switchover mode is enabled'),
    ('PIC16F88x', 'FCMEN', 'OFF', 0x000, 'Fail-Safe Clock Monitor is disabled'),
    ('PIC16F88x', 'FCMEN', 'ON', 0x800, 'Fail-Safe Clock Monitor is enabled'),
    ('PIC16F88x', 'LVP', 'OFF', 0x0000, 'RB3 pin has digital I/O, HV on MCLR must be used for programming'),
    ('PIC16F88x', 'LVP', 'ON', 0x1000, 'RB3/PGM pin has PGM function, low voltage programming enabled'),
    ('PIC16F88x', 'DEBUG', 'ON', 0x0000, 'In_Circuit Debugger enabled, RB6/ICSPCLK and RB7/ICSPDAT are dedicated to the debugger'),
    ('PIC16F88x', 'DEBUG', 'OFF', 0x2000, 'In-Circuit Debugger disabled, RB6/ICSPCLK and RB7/ICSPDAT are general purpose I/O pins'),
    ('PIC16F88x', 'BOR4V', 'BOR21V', 0x000, 'Brown-out Reset set to 2.1V'),
    ('PIC16F88x', 'BOR4V', 'BOR40V', 0x100, 'Brown-out Reset set to 4.0V'),
    ('PIC16F88x', 'WRT', 'HALF', 0x000, '0000h to 0FFFh write protected, 1000h to 1FFFh may be modified by EECON control'),
    ('PIC16F88x', 'WRT', '1FOURTH', 0x200, '0000h to 07FFh write protected, 0800h to 1FFFh may be modified by EECON control'),
    ('PIC16F88x', 'WRT', '256', 0x400, '0000h to 00FFh write protected, 0100h to 1FFFh may be modified by EECON control'),
    ('PIC16F88x', 'WRT', 'OFF', 0x600, 'Write protection off');

-- PIC18F2525/2620/4525/4620 --------------------------------------------------
INSERT INTO cfg_word VALUES
    ('PIC18F4620', 'CONFIG1H', 0x300001, 0x07, 0xCF),
    ('PIC18F4620', 'CONFIG2L', 0x300002, 0x1F, 0x1F),
    ('PIC18F4620', 'CONFIG2H', 0x300003, 0x1F, 0x1F),
    ('PIC18F4620', 'CONFIG3H', 0x300005, 0x83, 0x87),
    ('PIC18F4620', 'CONFIG4L', 0x300006, 0x85, 0xC5),
    ('PIC18F4620', 'CONFIG5L', 0x300008, 0x0F, 0x0F),
    ('PIC18F4620', 'CONFIG5H', 0x300009, 0xC0, 0xC0),
    ('PIC18F4620', 'CONFIG6L', 0x30000A, 0x0F, 0x0F),
    ('PIC18F4620', 'CONFIG6H', 0x30000B, 0xE0, 0xE0),
    ('PIC18F4620', 'CONFIG7L', 0x30000C, 0x0F, 0x0F),
    ('PIC18F4620', 'CONFIG7H', 0x30000D, 0x40, 0x40);
INSERT INTO cfg_field VALUES
    ('PIC18F4620', 'CONFIG1H', 'OSC', 0x0F, 'Oscillator Selection bits'),
    ('PIC18F4620', 'CONFIG1H', 'FCMEN', 0x40, 'Fail-Safe Clock Monitor Enable bit'),
    ('PIC18F4620', 'CONFIG1H', 'IESO', 0x80, 'Internal/External Oscillator Switchover bit'),
    ('PIC18F4620', 'CONFIG2L', 'PWRT', 0x01, 'Power-up Timer Enable bit'),
    ('PIC18F4620', 'CONFIG2L', 'BOREN', 0x06, 'Brown-out Reset Enable bits'),
    ('PIC18F4620', 'CONFIG2L', 'BORV', 0x18, 'Brown Out Reset Voltage bits'),
    ('PIC18F4620', 'CONFIG2H', 'WDT', 0x01, 'Watchdog Timer Enable bit'),
    ('PIC18F4620', 'CONFIG2H', 'WDTPS', 0x1E, 'Watchdog Timer Postscale Select bits'),
    ('PIC18F4620', 'CONFIG3H', 'CCP2MX', 0x01, 'CCP2 MUX bit'),
    ('PIC18F4620', 'CONFIG3H', 'PBADEN', 0x02, 'PORTB A/D Enable bit'),
    ('PIC18F4620', 'CONFIG3H', 'LPT1OSC', 0x04, 'Low-Power Timer1 Oscillator Enable bit'),
    ('PIC18F4620', 'CONFIG3H', 'MCLRE', 0x80, 'MCLR Pin Enable bit'),
    ('PIC18F4620', 'CONFIG4L', 'STVREN', 0x01, 'Stack Full/Underflow Reset Enable bit'),
    ('PIC18F4620', 'CONFIG4L', 'LVP', 0x04, 'Single-Supply ICSP Enable bit'),
    ('PIC18F4620', 'CONFIG4L', 'XINST', 0x40, 'Extended Instruction Set Enable bit'),
    ('PIC18F4620', 'CONFIG4L', 'DEBUG', 0x80, 'Background Debugger Enable bit'),
    ('PIC18F4620', 'CONFIG5L', 'CP0', 0x01, 'Code Protection bit (Block 0, 000800-003FFFh)'),
    ('PIC18F4620', 'CONFIG5L', 'CP1', 0x02, 'Code Protection bit (Block 1, 004000-007FFFh)'),
    ('PIC18F4620', 'CONFIG5L', 'CP2', 0x04, 'Code Protection bit (Block 2, 008000-00BFFFh)'),
    ('PIC18F4620', 'CONFIG5L', 'CP3', 0x08, 'Code Protection bit (Block 3, 00C000-00FFFFh)'),
    ('PIC18F4620', 'CONFIG5H', 'CPB', 0x40, 'Boot Block Code Protection bit (000000-0007FFh)'),
    ('PIC18F4620', 'CONFIG5H', 'CPD', 0x80, 'Data EEPROM Code Protection bit'),
    ('PIC18F4620', 'CONFIG6L', 'WRT0', 0x01, 'Write Protection bit (Block 0, 000800-003FFFh)'),
    ('PIC18F4620', 'CONFIG6L', 'WRT1', 0x02, 'Write Protection bit (Block 1, 004000-007FFFh)'),
    ('PIC18F4620', 'CONFIG6L', 'WRT2', 0x04, 'Write Protection bit (Block 2, 008000-00BFFFh)'),
    ('PIC18F4620', 'CONFIG6L', 'WRT3', 0x08, 'Write Protection bit (Block 3, 00C000-00FFFFh)'),
    ('PIC18F4620', 'CONFIG6H', 'WRTC', 0x20, 'Configuration Register Write Protection bit (300000-3000FFh)'),
    ('PIC18F4620', 'CONFIG6H', 'WRTB', 0x40, 'Boot Block Write Protection bit (000000-0007FFh)'),
    ('PIC18F4620', 'CONFIG6H', 'WRTD', 0x80, 'Data EEPROM Write Protection bit'),
    ('PIC18F4620', 'CONFIG7L', 'EBTR0', 0x01, 'Table Read Protection bit (Block 0, 000800-003FFFh)'),
    ('PIC18F4620', 'CONFIG7L', 'EBTR1', 0x02, 'Table Read Protection bit (Block 1, 004000-007FFFh)'),
    ('PIC18F4620', 'CONFIG7L', 'EBTR2', 0x04, 'Table Read Protection bit (Block 2, 008000-00BFFFh)'),
    ('PIC18F4620', 'CONFIG7L', 'EBTR3', 0x08, 'Table Read Protection bit (Block 3, 00C000-00FFFFh)'),
    ('PIC18F4620', 'CONFIG7H', 'EBTRB', 0x40, 'Boot Block Table Read Protection bit (000000-0007FFh)');
INSERT INTO cfg_setting VALUES
    ('PIC18F4620', 'OSC', 'LP', 0x0, 'LP oscillator'),
    ('PIC18F4620', 'OSC', 'XT', 0x1, 'XT oscillator'),
    ('PIC18F4620', 'OSC', 'HS', 0x2, 'HS oscillator'),
    ('PIC18F4620', 'OSC', 'RC', 0x3, 'External RC oscillator, CLKO function on RA6'),
    ('PIC18F4620', 'OSC', 'EC', 0x4, 'EC oscillator, CLKO function on RA6'),
    ('PIC18F4620', 'OSC', 'ECIO6', 0x5, 'EC oscillator, port function on RA6'),
    ('PIC18F4620', 'OSC', 'HSPLL', 0x6, 'HS oscillator, PLL enabled (Clock Frequency = 4 x FOSC1)'),
    ('PIC18F4620', 'OSC', 'RCIO6', 0x7, 'External RC oscillator, port function on RA6'),
    ('PIC18F4620', 'OSC', 'INTIO67', 0x8, 'Internal oscillator block, port function on RA6 and RA7'),
    ('PIC18F4620', 'OSC', 'INTIO7', 0x9, 'Internal oscillator block, CLKO function on RA6, port function on RA7'),
    ('PIC18F4620', 'FCMEN', 'OFF', 0x00, 'Fail-Safe Clock Monitor disabled'),
    ('PIC18F4620', 'FCMEN', 'ON', 0x40, 'Fail-Safe Clock Monitor enabled'),
    ('PIC18F4620', 'IESO', 'OFF', 0x00, 'Oscillator Switchover mode disabled'),
    ('PIC18F4620', 'IESO', 'ON', 0x80, 'Oscillator Switchover mode enabled'),
    ('PIC18F4620', 'PWRT', 'ON', 0x00, 'PWRT enabled'),
    ('PIC18F4620', 'PWRT', 'OFF', 0x01, 'PWRT disabled'),
    ('PIC18F4620', 'BOREN', 'OFF', 0x00, 'Brown-out Reset disabled in hardware and software'),
    ('PIC18F4620', 'BOREN', 'ON', 0x02, 'Brown-out Reset enabled and controlled by software (SBOREN is enabled)'),
    ('PIC18F4620', 'BOREN', 'NOSLP', 0x04, 'Brown-out Reset enabled in hardware only and disabled in Sleep mode (SBOREN is disabled)'),
    ('PIC18F4620', 'BOREN', 'SBORDIS', 0x06, 'Brown-out Reset enabled in hardware only (SBOREN is disabled)'),
    ('PIC18F4620', 'BORV', '0', 0x00, 'Maximum setting'),
    ('PIC18F4620', 'BORV', '1', 0x08, ''),
    ('PIC18F4620', 'BORV', '2', 0x10, ''),
    ('PIC18F4620', 'BORV', '3', 0x18, 'Minimum setting'),
    ('PIC18F4620', 'WDT', 'OFF', 0x00, 'WDT disabled (control is placed on the SWDTEN bit)'),
    ('PIC18F4620', 'WDT', 'ON', 0x01, 'WDT enabled'),
    ('PIC18F4620', 'WDTPS', '1', 0x00, '1:1'),
    ('PIC18F4620', 'WDTPS', '2', 0x02, '1:2'),
    ('PIC18F4620', 'WDTPS', '4', 0x04, '1:4'),
    ('PIC18F4620', 'WDTPS', '8', 0x06, '1:8'),
    ('PIC18F4620', 'WDTPS', '16', 0x08, '1:16'),
    ('PIC18F4620', 'WDTPS', '32', 0x0A, '1:32'),
    ('PIC18F4620', 'WDTPS', '64', 0x0C, '1:64'),
    ('PIC18F4620', 'WDTPS', '128', 0x0E, '1:128'),
    ('PIC18F4620', 'WDTPS', '256', 0x10, '1:256'),
    ('PIC18F4620', 'WDTPS', '512', 0x12, '1:512'),
    ('PIC18F4620', 'WDTPS', '1024', 0x14, '1:1024'),
    ('PIC18F4620', 'WDTPS', '2048', 0x16, '1:2048'),
    ('PIC18F4620', 'WDTPS', '4096', 0x18, '1:4096'),
    ('PIC18F4620', 'WDTPS', '8192', 0x1A, '1:8192'),
    ('PIC18F4620', 'WDTPS', '16384', 0x1C, '1:16384'),
    ('PIC18F4620', 'WDTPS', '32768', 0x1E, '1:32768'),
    ('PIC18F4620', 'CCP2MX', 'PORTBE', 0x00, 'CCP2 input/output is multiplexed with RB3'),
    ('PIC18F4620', 'CCP2MX', 'PORTC', 0x01, 'CCP2 input/output is multiplexed with RC1'),
    ('PIC18F4620', 'PBADEN', 'OFF', 0x00, 'PORTB<4:0> pins are configured as digital I/O on Reset'),
    ('PIC18F4620', 'PBADEN', 'ON', 0x02, 'PORTB<4:0> pins are configured as analog input channels on Reset'),
    ('PIC18F4620', 'LPT1OSC', 'OFF', 0x00, 'Timer1 configured for higher power operation'),
    ('PIC18F4620', 'LPT1OSC', 'ON', 0x04, 'Timer1 configured for low-power operation'),
    ('PIC18F4620', 'MCLRE', 'OFF', 0x00, 'RE3 input pin enabled; MCLR disabled'),
    ('PIC18F4620', 'MCLRE', 'ON', 0x80, 'MCLR pin enabled; RE3 input pin disabled'),
    ('PIC18F4620', 'STVREN', 'OFF', 0x00, 'Stack full/underflow will not cause Reset'),
    ('PIC18F4620', 'STVREN', 'ON', 0x01, 'Stack full/underflow will cause Reset'),
    ('PIC18F4620', 'LVP', 'OFF', 0x00, 'Single-Supply ICSP disabled'),
    ('PIC18F4620', 'LVP', 'ON', 0x04, 'Single-Supply ICSP enabled'),
    ('PIC18F4620', 'XINST', 'OFF', 0x00, 'Instruction set extension and Indexed Addressing mode disabled (Legacy mode)'),
    ('PIC18F4620', 'XINST', 'ON', 0x40, 'Instruction set extension and Indexed Addressing mode enabled'),
    ('PIC18F4620', 'DEBUG', 'ON', 0x00, 'Background debugger enabled, RB6 and RB7 are dedicated to In-Circuit Debug'),
    ('PIC18F4620', 'DEBUG', 'OFF', 0x80, 'Background debugger disabled, RB6 and RB7 configured as general purpose I/O pins'),
    ('PIC18F4620', 'CP0', 'ON', 0x00, 'Block 0 (000800-003FFFh) code-protected'),
    ('PIC18F4620', 'CP0', 'OFF', 0x01, 'Block 0 (000800-003FFFh) not code-protected'),
    ('PIC18F4620', 'CP1', 'ON', 0x00, 'Block 1 (004000-007FFFh) code-protected'),
    ('PIC18F4620', 'CP1', 'OFF', 0x02, 'Block 1 (004000-007FFFh) not code-protected'),
    ('PIC18F4620', 'CP2', 'ON', 0x00, 'Block 2 (008000-00BFFFh) code-protected'),
    ('PIC18F4620', 'CP2', 'OFF', 0x04, 'Block 2 (008000-00BFFFh) not code-protected'),
    ('PIC18F4620', 'CP3', 'ON', 0x00, 'Block 3 (00C000-00FFFFh) code-protected'),
    ('PIC18F4620', 'CP3', 'OFF', 0x08, 'Block 3 (00C000-00FFFFh) not code-protected'),
    ('PIC18F4620', 'CPB', 'ON', 0x00, 'Boot block (000000-0007FFh) code-protected'),
    ('PIC18F4620', 'CPB', 'OFF', 0x40, 'Boot block (000000-0007FFh) not code-protected'),
    ('PIC18F4620', 'CPD', 'ON', 0x00, 'Data EEPROM code-protected'),
    ('PIC18F4620', 'CPD', 'OFF', 0x80, 'Data EEPROM not code-protected'),
    ('PIC18F4620', 'WRT0', 'ON', 0x00, 'Block 0 (000800-003FFFh) write-protected'),
    ('PIC18F4620', 'WRT0', 'OFF', 0x01, 'Block 0 (000800-003FFFh) not write-protected'),
    ('PIC18F4620', 'WRT1', 'ON', 0x00, 'Block 1 (004000-007FFFh) write-protected'),
    ('PIC18F4620', 'WRT1', 'OFF', 0x02, 'Block 1 (004000-007FFFh) not write-protected'),
    ('PIC18F4620', 'WRT2', 'ON', 0x00, 'Block 2 (008000-00BFFFh) write-protected'),
    ('PIC18F4620', 'WRT2', 'OFF', 0x04, 'Block 2 (008000-00BFFFh) not write-protected'),
    ('PIC18F4620', 'WRT3', 'ON', 0x00, 'Block 3 (00C000-00FFFFh) write-protected'),
    ('PIC18F4620', 'WRT3', 'OFF', 0x08, 'Block 3 (00C000-00FFFFh) not write-protected'),
    ('PIC18F4620', 'WRTC', 'ON', 0x00, 'Configuration registers (300000-3000FFh) write-protected'),
    ('PIC18F4620', 'WRTC', 'OFF', 0x20, 'Configuration registers (300000-3000FFh) not write-protected'),
    ('PIC18F4620', 'WRTB', 'ON', 0x00, 'Boot block (000000-0007FFh) write-protected'),
    ('PIC18F4620', 'WRTB', 'OFF', 0x40, 'Boot block (000000-0007FFh) not write-protected'),
    ('PIC18F4620', 'WRTD', 'ON', 0x00, 'Data EEPROM write-protected'),
    ('PIC18F4620', 'WRTD', 'OFF', 0x80, 'Data EEPROM not write-protected'),
    ('PIC18F4620', 'EBTR0', 'ON', 0x00, 'Block 0 (000800-003FFFh) protected from table reads executed in other blocks'),
    ('PIC18F4620', 'EBTR0', 'OFF', 0x01, 'Block 0 (000800-003FFFh) not protected from table reads executed in other blocks'),
    ('PIC18F4620', 'EBTR1', 'ON', 0x00, 'Block 1 (004000-007FFFh) protected from table reads executed in other blocks'),
    ('PIC18F4620', 'EBTR1', 'OFF', 0x02, 'Block 1 (004000-007FFFh) not protected from table reads executed in other blocks'),
    ('PIC18F4620', 'EBTR2', 'ON', 0x00, 'Block 2 (008000-00BFFFh) protected from table reads executed in other blocks'),
    ('PIC18F4620', 'EBTR2', 'OFF', 0x04, 'Block 2 (008000-00BFFFh) not protected from table reads executed in other blocks'),
    ('PIC18F4620', 'EBTR3', 'ON', 0x00, 'Block 3 (00C000-00FFFFh) protected from table reads executed in other blocks'),
    ('PIC18F4620', 'EBTR3', 'OFF', 0x08, 'Block 3 (00C000-00FFFFh) not protected from table reads executed in other blocks'),
    ('PIC18F4620', 'EBTRB', 'ON', 0x00, 'Boot block (000000-0007FFh) protected from table reads executed in other blocks'),
    ('PIC18F4620', 'EBTRB', 'OFF', 0x40, 'Boot block (000000-0007FFh) not protected from table reads executed in other blocks');

-- PIC24FJ64GA00x ---------------------------------------------------------------
INSERT INTO cfg_word VALUES
    ('PIC24FJ64GA', 'CONFIG2', 0xABFC, 0xFFFF, 0x87F7),
    ('PIC24FJ64GA', 'CONFIG1', 0xABFE, 0x7FFF, 0x7BDF);
INSERT INTO cfg_field VALUES
    ('PIC24FJ64GA', 'CONFIG2', 'POSCMOD', 0x0003, 'Primary Oscillator Select'),
    ('PIC24FJ64GA', 'CONFIG2', 'I2C1SEL', 0x0004, 'I2C1 Pin Location Select'),
    ('PIC24FJ64GA', 'CONFIG2', 'IOL1WAY', 0x0010, 'IOLOCK Protection'),
    ('PIC24FJ64GA', 'CONFIG2', 'OSCIOFNC', 0x0020, 'Primary Oscillator Output Function'),
    ('PIC24FJ64GA', 'CONFIG2', 'FCKSM', 0x00C0, 'Clock Switching and Monitor'),
    ('PIC24FJ64GA', 'CONFIG2', 'FNOSC', 0x0700, 'Oscillator Select'),
    ('PIC24FJ64GA', 'CONFIG2', 'IESO', 0x8000, 'Internal External Switch Over Mode'),
    ('PIC24FJ64GA', 'CONFIG1', 'WDTPS', 0x000F, 'Watchdog Timer Postscaler'),
    ('PIC24FJ64GA', 'CONFIG1', 'FWPSA', 0x0010, 'WDT Prescaler'),
    ('PIC24FJ64GA', 'CONFIG1', 'WINDIS', 0x0040, 'Watchdog Timer Window'),
    ('PIC24FJ64GA', 'CONFIG1', 'FWDTEN', 0x0080, 'Watchdog Timer Enable'),
    ('PIC24FJ64GA', 'CONFIG1', 'ICS', 0x0300, 'Comm Channel Select'),
    ('PIC24FJ64GA', 'CONFIG1', 'BKBUG', 0x0800, 'Background Debug'),
    ('PIC24FJ64GA', 'CONFIG1', 'GWRP', 0x1000, 'General Code Segment Write Protect'),
    ('PIC24FJ64GA', 'CONFIG1', 'GCP', 0x2000, 'General Code Segment Code Protect'),
    ('PIC24FJ64GA', 'CONFIG1', 'JTAGEN', 0x4000, 'JTAG Port Enable');
INSERT INTO cfg_setting VALUES
    ('PIC24FJ64GA', 'POSCMOD', 'EC', 0x0, 'External clock mode selected'),
    ('PIC24FJ64GA', 'POSCMOD', 'XT', 0x1, 'XT oscillator mode selected'),
    ('PIC24FJ64GA', 'POSCMOD', 'HS', 0x2, 'HS oscillator mode selected'),
    ('PIC24FJ64GA', 'POSCMOD', 'NONE', 0x3, 'Primary oscillator disabled'),
    ('PIC24FJ64GA', 'I2C1SEL', 'SEC', 0x0, 'Use alternate SCL1/SDA1 pins'),
    ('PIC24FJ64GA', 'I2C1SEL', 'PRI', 0x4, 'Use default SCL1/SDA1 pins'),
    ('PIC24FJ64GA', 'IOL1WAY', 'OFF', 0x00, 'IOLOCK may be changed via unlocking seq'),
    ('PIC24FJ64GA', 'IOL1WAY', 'ON', 0x10, 'Once IOLOCK is set, cannot be changed'),
    ('PIC24FJ64GA', 'OSCIOFNC', 'ON', 0x00, 'OSC2/CLKO/RC15 functions as port I/O (RC15)'),
    ('PIC24FJ64GA', 'OSCIOFNC', 'OFF', 0x20, 'OSC2/CLKO/RC15 functions as CLKO (FOSC/2)'),
    ('PIC24FJ64GA', 'FCKSM', 'CSECME', 0x00, 'Clock switching is enabled, Fail-Safe Clock Monitor is enabled'),
    ('PIC24FJ64GA', 'FCKSM', 'CSECMD', 0x40, 'Clock switching is enabled, Fail-Safe Clock Monitor is disabled'),
    ('PIC24FJ64GA', 'FCKSM', 'CSDCMD', 0xC0, 'Clock switching and Fail-Safe Clock Monitor are disabled'),
    ('PIC24FJ64GA', 'FNOSC', 'FRC', 0x000, 'Fast RC Oscillator (FRC)'),
    ('PIC24FJ64GA', 'FNOSC', 'FRCPLL', 0x100, 'Fast RC Oscillator with PLL module (FRCPLL)'),
    ('PIC24FJ64GA', 'FNOSC', 'PRI', 0x200, 'Primary Oscillator (XT, HS, EC)'),
    ('PIC24FJ64GA', 'FNOSC', 'PRIPLL', 0x300, 'Primary Oscillator with PLL module (HSPLL, ECPLL)'),
    ('PIC24FJ64GA', 'FNOSC', 'SOSC', 0x400, 'Secondary oscillator (SOSC)'),
    ('PIC24FJ64GA', 'FNOSC', 'LPRC', 0x500, 'Low-Power RC oscillator (LPRC)'),
    ('PIC24FJ64GA', 'FNOSC', 'FRCDIV', 0x700, 'Fast RC oscillator with divide-by-N (FRCDIV)'),
    ('PIC24FJ64GA', 'IESO', 'OFF', 0x0000, 'IESO mode (Two-Speed Start-up) disabled'),
    ('PIC24FJ64GA', 'IESO', 'ON', 0x8000, 'IESO mode (Two-Speed Start-up) enabled'),
    ('PIC24FJ64GA', 'WDTPS', 'PS1', 0x0, '1:1'),
    ('PIC24FJ64GA', 'WDTPS', 'PS2', 0x1, '1:2'),
    ('PIC24FJ64GA', 'WDTPS', 'PS4', 0x2, '1:4'),
    ('PIC24FJ64GA', 'WDTPS', 'PS8', 0x3, '1:8'),
    ('PIC24FJ64GA', 'WDTPS', 'PS16', 0x4, '1:16'),
    ('PIC24FJ64GA', 'WDTPS', 'PS32', 0x5, '1:32'),
    ('PIC24FJ64GA', 'WDTPS', 'PS64', 0x6, '1:64'),
    ('PIC24FJ64GA', 'WDTPS', 'PS128', 0x7, '1:128'),
    ('PIC24FJ64GA', 'WDTPS', 'PS256', 0x8, '1:256'),
    ('PIC24FJ64GA', 'WDTPS', 'PS512', 0x9, '1:512'),
    ('PIC24FJ64GA', 'WDTPS', 'PS1024', 0xA, '1:1,024'),
    ('PIC24FJ64GA', 'WDTPS', 'PS2048', 0xB, '1:2,048'),
    ('PIC24FJ64GA', 'WDTPS', 'PS4096', 0xC, '1:4,096'),
    ('PIC24FJ64GA', 'WDTPS', 'PS8192', 0xD, '1:8,192'),
    ('PIC24FJ64GA', 'WDTPS', 'PS16384', 0xE, '1:16,384'),
    ('PIC24FJ64GA', 'WDTPS', 'PS32768', 0xF, '1:32,768'),
    ('PIC24FJ64GA', 'FWPSA', 'PR32', 0x00, 'Prescaler ratio of 1:32'),
    ('PIC24FJ64GA', 'FWPSA', 'PR128', 0x10, 'Prescaler ratio of 1:128'),
    ('PIC24FJ64GA', 'WINDIS', 'ON', 0x00, 'Windowed Watchdog Timer enabled; FWDTEN must be 1'),
    ('PIC24FJ64GA', 'WINDIS', 'OFF', 0x40, 'Standard Watchdog Timer is enabled'),
    ('PIC24FJ64GA', 'FWDTEN', 'OFF', 0x00, 'Watchdog Timer is disabled'),
    ('PIC24FJ64GA', 'FWDTEN', 'ON', 0x80, 'Watchdog Timer is enabled'),
    ('PIC24FJ64GA', 'ICS', 'PGx3', 0x100, 'Emulator EMUC3/EMUD3 pins are shared with PGC3/PGD3'),
    ('PIC24FJ64GA', 'ICS', 'PGx2', 0x200, 'Emulator EMUC2/EMUD2 pins are shared with PGC2/PGD2'),
    ('PIC24FJ64GA', 'ICS', 'PGx1', 0x300, 'Emulator EMUC1/EMUD1 pins are shared with PGC1/PGD1'),
    ('PIC24FJ64GA', 'BKBUG', 'ON', 0x000, 'Device resets into Debug mode'),
    ('PIC24FJ64GA', 'BKBUG', 'OFF', 0x800, 'Device resets into Operational mode'),
    ('PIC24FJ64GA', 'GWRP', 'ON', 0x0000, 'Writes to program memory are disabled'),
    ('PIC24FJ64GA', 'GWRP', 'OFF', 0x1000, 'Writes to program memory are allowed'),
    ('PIC24FJ64GA', 'GCP', 'ON', 0x0000, 'Code protection is enabled for the entire program memory space'),
    ('PIC24FJ64GA', 'GCP', 'OFF', 0x2000, 'Code protection is disabled'),
    ('PIC24FJ64GA', 'JTAGEN', 'OFF', 0x0000, 'JTAG port is disabled'),
    ('PIC24FJ64GA', 'JTAGEN', 'ON', 0x4000, 'JTAG port is enabled');

-- PIC32MX3xx/4xx ---------------------------------------------------------------
INSERT INTO cfg_word VALUES
    ('PIC32MX3', 'DEVCFG3', 0x1FC02FF0, 0xFFFFFFFF, 0x0000FFFF),
    ('PIC32MX3', 'DEVCFG2', 0x1FC02FF4, 0xFFFFFFFF, 0x00070077),
    ('PIC32MX3', 'DEVCFG1', 0x1FC02FF8, 0xFFFFFFFF, 0x009FF7A7),
    ('PIC32MX3', 'DEVCFG0', 0x1FC02FFC, 0xFFFFFFFF, 0x110FF00B);
INSERT INTO cfg_field VALUES
    ('PIC32MX3', 'DEVCFG3', 'USERID', 0x0000FFFF, 'User-defined, readable via ICSP and JTAG'),
    ('PIC32MX3', 'DEVCFG2', 'FPLLIDIV', 0x00000007, 'PLL Input Divider'),
    ('PIC32MX3', 'DEVCFG2', 'FPLLMUL', 0x00000070, 'PLL Multiplier'),
    ('PIC32MX3', 'DEVCFG2', 'FPLLODIV', 0x00070000, 'System PLL Output Clock Divider'),
    ('PIC32MX3', 'DEVCFG1', 'FNOSC', 0x00000007, 'Oscillator Selection Bits'),
    ('PIC32MX3', 'DEVCFG1', 'FSOSCEN', 0x00000020, 'Secondary Oscillator Enable'),
    ('PIC32MX3', 'DEVCFG1', 'POSCMOD', 0x00000300, 'Primary Oscillator Configuration'),
    ('PIC32MX3', 'DEVCFG1', 'FPBDIV', 0x00003000, 'Peripheral Clock Divisor'),
    ('PIC32MX3', 'DEVCFG1', 'FWDTEN', 0x00800000, 'Watchdog Timer Enable'),
    ('PIC32MX3', 'DEVCFG0', 'DEBUG', 0x00000003, 'Background Debugger Enable'),
    ('PIC32MX3', 'DEVCFG0', 'BWP', 0x01000000, 'Boot Flash Write Protect bit'),
    ('PIC32MX3', 'DEVCFG0', 'CP', 0x10000000, 'Code Protect');
INSERT INTO cfg_setting VALUES
    ('PIC32MX3', 'FPLLIDIV', 'DIV_1', 0x0, '1x Divider'),
    ('PIC32MX3', 'FPLLIDIV', 'DIV_2', 0x1, '2x Divider'),
    ('PIC32MX3', 'FPLLIDIV', 'DIV_3', 0x2, '3x Divider'),
    ('PIC32MX3', 'FPLLIDIV', 'DIV_4', 0x3, '4x Divider'),
    ('PIC32MX3', 'FPLLIDIV', 'DIV_5', 0x4, '5x Divider'),
    ('PIC32MX3', 'FPLLIDIV', 'DIV_6', 0x5, '6x Divider'),
    ('PIC32MX3', 'FPLLIDIV', 'DIV_10', 0x6, '10x Divider'),
    ('PIC32MX3', 'FPLLIDIV', 'DIV_12', 0x7, '12x Divider'),
    ('PIC32MX3', 'FPLLMUL', 'MUL_15', 0x00, '15x Multiplier'),
    ('PIC32MX3', 'FPLLMUL', 'MUL_16', 0x10, '16x Multiplier'),
    ('PIC32MX3', 'FPLLMUL', 'MUL_17', 0x20, '17x Multiplier'),
    ('PIC32MX3', 'FPLLMUL', 'MUL_18', 0x30, '18x Multiplier'),
    ('PIC32MX3', 'FPLLMUL', 'MUL_19', 0x40, '19x Multiplier'),
    ('PIC32MX3', 'FPLLMUL', 'MUL_20', 0x50, '20x Multiplier'),
    ('PIC32MX3', 'FPLLMUL', 'MUL_21', 0x60, '21x Multiplier'),
    ('PIC32MX3', 'FPLLMUL', 'MUL_24', 0x70, '24x Multiplier'),
    ('PIC32MX3', 'FPLLODIV', 'DIV_1', 0x00000, 'PLL Divide by 1'),
    ('PIC32MX3', 'FPLLODIV', 'DIV_2', 0x10000, 'PLL Divide by 2'),
    ('PIC32MX3', 'FPLLODIV', 'DIV_4', 0x20000, 'PLL Divide by 4'),
    ('PIC32MX3', 'FPLLODIV', 'DIV_8', 0x30000, 'PLL Divide by 8'),
    ('PIC32MX3', 'FPLLODIV', 'DIV_16', 0x40000, 'PLL Divide by 16'),
    ('PIC32MX3', 'FPLLODIV', 'DIV_32', 0x50000, 'PLL Divide by 32'),
    ('PIC32MX3', 'FPLLODIV', 'DIV_64', 0x60000, 'PLL Divide by 64'),
    ('PIC32MX3', 'FPLLODIV', 'DIV_256', 0x70000, 'PLL Divide by 256'),
    ('PIC32MX3', 'FNOSC', 'FRC', 0x0, 'Fast RC Osc (FRC)'),
    ('PIC32MX3', 'FNOSC', 'FRCPLL', 0x1, 'Fast RC Osc with PLL'),
    ('PIC32MX3', 'FNOSC', 'PRI', 0x2, 'Primary Osc (XT,HS,EC)'),
    ('PIC32MX3', 'FNOSC', 'PRIPLL', 0x3, 'Primary Osc w/PLL (XT+,HS+,EC+PLL)'),
    ('PIC32MX3', 'FNOSC', 'SOSC', 0x4, 'Low Power Secondary Osc (SOSC)'),
    ('PIC32MX3', 'FNOSC', 'LPRC', 0x5, 'Low Power RC Osc (LPRC)'),
    ('PIC32MX3', 'FNOSC', 'FRCDIV16', 0x6, 'Fast RC Osc w/Div-by-16 (FRC/16)'),
    ('PIC32MX3', 'FNOSC', 'FRCDIV', 0x7, 'Fast RC Osc w/Div-by-N (FRCDIV)'),
    ('PIC32MX3', 'FSOSCEN', 'OFF', 0x00, 'Disabled'),
    ('PIC32MX3', 'FSOSCEN', 'ON', 0x20, 'Enabled'),
    ('PIC32MX3', 'POSCMOD', 'EC', 0x000, 'External clock mode'),
    ('PIC32MX3', 'POSCMOD', 'XT', 0x100, 'XT osc mode'),
    ('PIC32MX3', 'POSCMOD', 'HS', 0x200, 'HS osc mode'),
    ('PIC32MX3', 'POSCMOD', 'OFF', 0x300, 'Primary osc disabled'),
    ('PIC32MX3', 'FPBDIV', 'DIV_1', 0x0000, 'Pb_Clk is Sys_Clk/1'),
    ('PIC32MX3', 'FPBDIV', 'DIV_2', 0x1000, 'Pb_Clk is Sys_Clk/2'),
    ('PIC32MX3', 'FPBDIV', 'DIV_4', 0x2000, 'Pb_Clk is Sys_Clk/4'),
    ('PIC32MX3', 'FPBDIV', 'DIV_8', 0x3000, 'Pb_Clk is Sys_Clk/8'),
    ('PIC32MX3', 'FWDTEN', 'OFF', 0x000000, 'WDT Disabled (SWDTEN Bit Controls)'),
    ('PIC32MX3', 'FWDTEN', 'ON', 0x800000, 'WDT Enabled'),
    ('PIC32MX3', 'DEBUG', 'ON', 0x2, 'Debugger is enabled'),
    ('PIC32MX3', 'DEBUG', 'OFF', 0x3, 'Debugger is disabled'),
    ('PIC32MX3', 'BWP', 'ON', 0x0000000, 'Boot Flash is not writable during execution'),
    ('PIC32MX3', 'BWP', 'OFF', 0x1000000, 'Boot Flash is writable'),
    ('PIC32MX3', 'CP', 'ON', 0x00000000, 'Protection Enabled'),
    ('PIC32MX3', 'CP', 'OFF', 0x10000000, 'Protection Disabled');

-- Every configuration set named by a part must be complete.
CREATE TEMP TABLE check_sets (ok INTEGER CHECK (ok = 1));
INSERT INTO check_sets SELECT count(*) = 0 FROM part_config pc WHERE NOT EXISTS (SELECT 1 FROM cfg_word w WHERE w.cset = pc.cset);
INSERT INTO check_sets SELECT count(*) = 0 FROM cfg_field f WHERE NOT EXISTS (SELECT 1 FROM cfg_word w WHERE w.cset = f.cset AND w.word = f.word);
INSERT INTO check_sets SELECT count(*) = 0 FROM cfg_setting s WHERE NOT EXISTS (SELECT 1 FROM cfg_field f WHERE f.cset = s.cset AND f.field = s.field);
INSERT INTO check_sets SELECT count(*) = 0 FROM cfg_setting s JOIN cfg_field f ON f.cset = s.cset AND f.field = s.field WHERE (s.value & ~f.mask) != 0;
INSERT INTO check_sets SELECT count(*) = 0 FROM part_config pc WHERE NOT EXISTS (SELECT 1 FROM DEVICES d WHERE d.PARTNAME = pc.part);

INSERT INTO CONFIGWORDS (DEVICEROWID, CONFIGNAME, ADDRESS, DEFAULTVALUE, IMPLEMENTEDBITS)
SELECT d.DEVICEROWID, w.word, w.address, w.def, w.impl
FROM part_config pc JOIN DEVICES d ON d.PARTNAME = pc.part JOIN cfg_word w ON w.cset = pc.cset
ORDER BY d.DEVICEROWID, w.address;

INSERT INTO CONFIGFIELDS (DEVICEROWID, CONFIGWORDID, FIELDCNAME, DESCRIPTION)
SELECT cw.DEVICEROWID, cw.CONFIGWORDROWID, f.field, f.descr
FROM part_config pc
JOIN DEVICES d ON d.PARTNAME = pc.part
JOIN CONFIGWORDS cw ON cw.DEVICEROWID = d.DEVICEROWID
JOIN cfg_field f ON f.cset = pc.cset AND f.word = cw.CONFIGNAME
ORDER BY cw.CONFIGWORDROWID, f.mask;

INSERT INTO CONFIGSETTINGS (DEVICEROWID, CONFIGFIELDID, SETTINGCNAME, DESCRIPTION, BITMASK, BITVALUE)
SELECT cf.DEVICEROWID, cf.CONFIGFIELDROWID, s.setting, s.descr, f.mask, s.value
FROM part_config pc
JOIN DEVICES d ON d.PARTNAME = pc.part
JOIN CONFIGFIELDS cf ON cf.DEVICEROWID = d.DEVICEROWID
JOIN cfg_field f ON f.cset = pc.cset AND f.field = cf.FIELDCNAME
JOIN cfg_setting s ON s.cset = pc.cset AND s.field = f.field
ORDER BY cf.CONFIGFIELDROWID, s.rowid;

COMMIT;
