// SPDX-License-Identifier: MIT
// The control table: what the window creates, in one place.
#include "form_table.h"

namespace zarvo::win32 {

using K = ControlKind;

// clang-format off
const std::array<ControlRow, 36> kFormControls = {{
    {"Command1", K::Button,  "",       L"Testar Impressora",          0,  120,  240, 1575,  375, false},
    {"Label1",   K::Label,   "",       L"Relógio da Impressora:",     3, 1800,    0, 3975,  375, false},
    {"Text2",    K::TextBox, "",       L"",                           2, 1800,  240, 2895,  375, false},
    {"Label2",   K::Label,   "",       L"Porta:",                     4, 4800,    0, 2055,  375, false},
    {"Text1",    K::TextBox, "",       L"",                           1, 4800,  240,  615,  375, false},
    {"Label4",   K::Label,   "",       L"COO",                       11,  120,  720,  975,  255, false},
    {"COO",      K::TextBox, "",       L"",                          10,  120,  960,  975,  285, false},
    {"Label5",   K::Label,   "",       L"CCF",                       13, 1200,  720,  975,  255, false},
    {"CCF",      K::TextBox, "",       L"",                          12, 1200,  960,  975,  285, false},
    {"Label6",   K::Label,   "",       L"Papel",                     15, 2280,  720,  975,  255, false},
    {"PAPEL",    K::TextBox, "",       L"",                          14, 2280,  960,  975,  285, false},
    {"Label7",   K::Label,   "",       L"Redução",                   17, 3360,  720,  975,  255, false},
    {"Reducao",  K::TextBox, "",       L"",                          16, 3360,  960,  975,  285, false},
    {"Label8",   K::Label,   "",       L"Primeira LX",               19, 4440,  720,  975,  255, false},
    {"LEITX",    K::TextBox, "",       L"",                          18, 4440,  960,  975,  285, false},
    {"Command4", K::Button,  "",       L"Leitura X",                  9,  120, 1440,  855,  375, false},
    {"Frame1",   K::Frame,   "",       L"Leitura da Memória Fiscal", 20,  120, 1920, 5295, 1935, false},
    {"Frame2",   K::Frame,   "Frame1", L"",                          21,  120,  360, 2295,  855, false},
    {"Porredu",  K::Option,  "Frame2", L"",                          23,  120,  240,  255,  255, true},
    {"Label9",   K::Label,   "Frame2", L"Redução",                   27,  480,  240,  975,  255, false},
    {"Pordata",  K::Option,  "Frame2", L"",                          24,  120,  480,  255,  255, false},
    {"Label10",  K::Label,   "Frame2", L"Data",                      28,  480,  480,  855,  255, false},
    {"Frame3",   K::Frame,   "Frame1", L"",                          22, 2880,  360, 2295,  855, false},
    {"NaImp",    K::Option,  "Frame3", L"",                          25,  120,  240,  255,  255, true},
    {"Label11",  K::Label,   "Frame3", L"Impressora",                29,  480,  240, 1335,  255, false},
    {"NoArq",    K::Option,  "Frame3", L"",                          26,  120,  480,  255,  255, false},
    {"Label12",  K::Label,   "Frame3", L"Arquivo",                   30,  480,  480,  975,  255, false},
    {"Label13",  K::Label,   "Frame1", L"Início:",                   33,  120, 1320,  855,  255, false},
    {"Ini",      K::TextBox, "Frame1", L"0001",                      31,  720, 1320, 1215,  375, false},
    {"Label14",  K::Label,   "Frame1", L"Fim:",                      34, 2160, 1320,  615,  255, false},
    {"Fim",      K::TextBox, "Frame1", L"1000",                      32, 2520, 1320, 1215,  375, false},
    {"LMF",      K::Button,  "Frame1", L"Executa",                   35, 3960, 1320, 1215,  375, false},
    {"Command2", K::Button,  "",       L"Entrar : Horário de Verão",  5,  360, 4800, 1935,  375, false},
    {"Command3", K::Button,  "",       L"Sair : Horário de Verão",    6, 2400, 4800, 1935,  375, false},
    {"Label3",   K::Label,   "",       L"Resposta:",                  8,  360, 5520, 2055,  375, false},
    {"Text3",    K::TextBox, "",       L"",                           7,  360, 5760, 3975,  375, false},
}};
// clang-format on

const ControlRow *findControl(std::string_view name) {
    for (const ControlRow &row : kFormControls) {
        if (row.name == name) {
            return &row;
        }
    }
    return nullptr;
}

}  // namespace zarvo::win32
