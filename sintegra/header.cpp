#include "sintegra/header.h"

#include "session/pacer.h"
#include "sintegra/layout.h"

namespace fiscora {

void ShowFileType(Session& s) {
  const std::string& code = s.sintegra.file_type;
  if (code == "1") {
    s.frm.lbl_tipo_arq.SetText("    1 - Normal");
    s.frm.lbl_tipo_arq2.SetText("");
  } else if (code == "2") {
    s.frm.lbl_tipo_arq.SetText(" 2 - Retificação");
    s.frm.lbl_tipo_arq2.SetText("Total");
  } else if (code == "3") {
    s.frm.lbl_tipo_arq.SetText(" 3 - Retificação");
    s.frm.lbl_tipo_arq2.SetText("Aditiva");
  } else {
    s.frm.lbl_tipo_arq.SetText("5 - Desfazimento");
    s.frm.lbl_tipo_arq2.SetText("");
  }
}

void ReadFileHeader(Session& s, const std::string& path) {
  LineReader reader(PathFromUtf8(path));
  EncodingSniffer sniffer;
  if (reader.had_bom()) sniffer.SetUtf8();
  ClientTable& t = s.dtm.cds_ident;
  const int f_empresa = t.FieldIndex("empresa"), f_endereco = t.FieldIndex("endereco"),
            f_uf = t.FieldIndex("uf"), f_cnpj = t.FieldIndex("cnpj"), f_ie = t.FieldIndex("ie"),
            f_periodo = t.FieldIndex("periodo");
  Pacer pacer(s.ui);
  std::string_view bytes;
  while (reader.Next(bytes)) {
    pacer.Tick();
    s.frm.progresso.Step();
    if (bytes.substr(0, 2) != "10") continue;
    RecordLine line(bytes, sniffer.LineIsUtf8(bytes));
    auto raw = [&](int col, int width) { return std::string(line.Raw(col, width)); };
    std::string cnpj = raw(3, 2) + "." + raw(5, 3) + "." + raw(8, 3) + "/" + raw(11, 4) + "-" +
                       raw(15, 2);
    std::string ie = line.Text(17, 14), empresa = line.Text(31, 35),
                municipio = line.Text(66, 30), uf = line.Text(96, 2);
    std::string first = line.Date(108), last = line.Date(116);
    t.Append();
    s.frm.lblCnpj.SetText(cnpj);
    t.SetText(f_cnpj, cnpj);
    s.frm.lblie.SetText(ie);
    t.SetText(f_ie, ie);
    t.SetText(f_empresa, empresa);
    s.sintegra.current_period = raw(112, 2) + "/" + raw(108, 4);
    t.SetText(f_periodo, first + " a " + last);
    s.frm.lblrazao.SetText(empresa);
    s.frm.lblmunic.SetText(municipio);
    t.SetText(f_endereco, municipio);
    s.frm.lblUF.SetText(uf);
    t.SetText(f_uf, uf);
    s.frm.lbldataini.SetText(first);
    s.frm.lbldatafim.SetText(last);
    s.sintegra.file_type = raw(126, 1);
    ShowFileType(s);
    t.Post();
  }
}

}  // namespace fiscora
