-- Balantrix: the program's catalogue for a SQL Server company database.
-- Creates the tables and stored procedures as they stand at catalogue version 3 and
-- the version row, so the program finds a current catalogue and runs no upgrade.
-- Run it once against the company database (the database settings dialog does this
-- with "Criar catálogo"), in one transaction; batches are separated by GO lines.
-- versaoEXE stays empty: the first workstation to start records its own version.

CREATE TABLE [dbo].[kel_PES_Carros](
    [Codigo] [nvarchar](10) COLLATE Latin1_General_CI_AS NOT NULL,
    [Nome] [nvarchar](50) COLLATE Latin1_General_CI_AS NULL,
    CONSTRAINT [PK_kel_PES_Carros] PRIMARY KEY CLUSTERED ([Codigo] ASC)
        WITH (PAD_INDEX = OFF, STATISTICS_NORECOMPUTE = OFF, IGNORE_DUP_KEY = OFF, ALLOW_ROW_LOCKS = ON, ALLOW_PAGE_LOCKS = ON) ON [PRIMARY]
) ON [PRIMARY]
GO

CREATE TABLE [dbo].[kel_PES_Historico](
    [Hist_Id] [int] IDENTITY(1,1) NOT NULL,
    [Tipo] [nvarchar](1) COLLATE Latin1_General_CI_AS NULL,
    [TpDoc] [nvarchar](3) COLLATE Latin1_General_CI_AS NULL,
    [Serie] [smallint] NULL,
    [NoDoc] [int] NULL,
    [Ano] [smallint] NULL,
    [PesoBruto] [money] NULL,
    [PesoTara] [money] NULL,
    [PesoLiquido] [money] NULL,
    [PesoEfectivo] [money] NULL,
    [Justificacao] [nvarchar](2000) COLLATE Latin1_General_CI_AS NULL,
    [DataHoraPB] [datetime] NULL,
    [DataHoraPL] [datetime] NULL,
    [Terceiro] [nvarchar](15) COLLATE Latin1_General_CI_AS NULL,
    [Artigo] [nvarchar](15) COLLATE Latin1_General_CI_AS NULL,
    [CodMorada] [nvarchar](3) COLLATE Latin1_General_CI_AS NULL,
    [Motorista] [nvarchar](5) COLLATE Latin1_General_CI_AS NULL,
    [Carro] [nvarchar](10) COLLATE Latin1_General_CI_AS NULL,
    [TipoTerc] [smallint] NULL,
    [AnoTalao] [smallint] NULL,
    [NoTalao] [int] NULL,
    [RefCliente] [nvarchar](20) COLLATE Latin1_General_CI_AS NULL,
    [RefEntrega] [nvarchar](20) COLLATE Latin1_General_CI_AS NULL,
    [Sigla] [nvarchar](5) COLLATE Latin1_General_CI_AS NULL,
    [Campanha] [nvarchar](10) COLLATE Latin1_General_CI_AS NULL,
    [TipoMorada] [nvarchar](3) COLLATE Latin1_General_CI_AS NULL
) ON [PRIMARY]
GO

CREATE TABLE [dbo].[kel_PES_Historico_Comp](
    [HistCmp_Id] [int] IDENTITY(1,1) NOT NULL,
    [Cab_Id] [int] NULL,
    [Vasilhame] [money] NULL,
    [Qualidade] [money] NULL,
    [Caracteristica] [smallint] NULL
) ON [PRIMARY]
GO

CREATE TABLE [dbo].[kel_PES_Parametros](
    [Numero] [smallint] NOT NULL,
    [TpGuiaEntMP] [nvarchar](3) COLLATE Latin1_General_CI_AS NULL,
    [SeGuiaEntMP] [smallint] NULL,
    [TpGuiaEntMS] [nvarchar](3) COLLATE Latin1_General_CI_AS NULL,
    [SeGuiaEntMS] [smallint] NULL,
    [ArmCentral] [nvarchar](6) COLLATE Latin1_General_CI_AS NULL,
    [TpSaida] [nvarchar](3) COLLATE Latin1_General_CI_AS NULL,
    [SeSaida] [smallint] NULL,
    [Sector] [nvarchar](6) COLLATE Latin1_General_CI_AS NULL,
    [ArmSaida] [nvarchar](6) COLLATE Latin1_General_CI_AS NULL,
    [NoVias] [smallint] NULL
) ON [PRIMARY]
GO

CREATE TABLE [dbo].[kel_PES_Taloes](
    [iTipo] [smallint] NULL,
    [Ano] [nvarchar](10) COLLATE Latin1_General_CI_AS NULL,
    [TipoDoc] [nvarchar](3) COLLATE Latin1_General_CI_AS NULL,
    [Contador] [int] NULL,
    [Cliente] [nvarchar](15) COLLATE Latin1_General_CI_AS NULL,
    [Sigla] [nvarchar](5) COLLATE Latin1_General_CI_AS NULL,
    [CdMorada] [nvarchar](3) COLLATE Latin1_General_CI_AS NULL,
    [TipoMorada] [nvarchar](3) COLLATE Latin1_General_CI_AS NULL
) ON [PRIMARY]
GO

CREATE TABLE [dbo].[kel_PES_Vias](
    [NoId] [int] NOT NULL,
    [NoVia] [smallint] NULL
) ON [PRIMARY]
GO

CREATE TABLE [dbo].[kel_sistema](
    [Numero] [smallint] NULL,
    [VersaoCatalogo] [int] NULL,
    [Logotipo] [image] NULL,
    [versaoEXE] [nvarchar](12) NULL
) ON [PRIMARY] TEXTIMAGE_ON [PRIMARY]
GO

CREATE PROCEDURE [dbo].[sp_kel_Gravar_PES_Param_Aplic] ( @Numero smallint, @ArmCentral nvarchar(6), @TpGuiaEntMP nvarchar (3), @SeGuiaEntMP smallint, @TpGuiaEntMS nvarchar (3), @SeGuiaEntMS smallint, @TpSaida nvarchar (3), @SeSaida smallint, @Sector  nvarchar (3), @ArmSaida  nvarchar (6), @NoVias  smallint ) AS declare @existe smallint select @existe = (Numero) From kel_PES_Parametros where Numero=@Numero if @Existe is not null begin Update [dbo].[kel_PES_Parametros] SET TpGuiaEntMP   =   @TpGuiaEntMP, SeGuiaEntMP   =   @SeGuiaEntMP, TpGuiaEntMS  =   @TpGuiaEntMS, SeGuiaEntMS   =   @SeGuiaEntMS, ArmCentral   =  @ArmCentral, TpSaida    =   @TpSaida, SeSaida    =   @SeSaida, Sector  =   @Sector, ArmSaida  =   @ArmSaida, NoVias  =   @NoVias Where ( [Numero]  = @Numero) End Else begin INSERT INTO[dbo].[kel_PES_Parametros] ( Numero,TpGuiaEntMP,SeGuiaEntMP,TpGuiaEntMS,SeGuiaEntMS,ArmCentral,TpSaida, SeSaida, Sector,ArmSaida,NoVias ) Values ( @Numero,@TpGuiaEntMP,@SeGuiaEntMP,@TpGuiaEntMS,@SeGuiaEntMS,@ArmCentral, @TpSaida, @SeSaida,@Sector, @ArmSaida,@NoVias ) End
GO

CREATE PROCEDURE [dbo].[sp_kel_Ler_PES_Param_Aplic] (@Numero  Integer ) as SELECT * From dbo.kel_PES_Parametros WHERE      (Numero = @Numero)
GO

CREATE PROCEDURE [dbo].[sp_kel_Gravar_PES_Historico] (@Hist_Id int, @Tipo as nvarchar(1), @TpDoc nvarchar(3), @Serie smallint, @NoDoc int, @Ano smallint, @PesoBruto money, @PesoTara money, @PesoLiquido money, @PesoEfectivo money, @Justificacao nvarchar(2000), @DataHoraPB datetime, @DataHoraPL datetime, @Terceiro nvarchar(15), @Artigo  nvarchar(15), @CodMorada nvarchar(3), @Motorista nvarchar(5), @Carro nvarchar(10), @TipoTerc smallint, @AnoTalao smallint,@NoTalao int,  @RefCliente nvarchar(20), @RefEntrega nvarchar (20), @Sigla nvarchar(5), @Campanha nvarchar(10),@TipoMorada nvarchar(3)) AS if @Hist_Id=0 Begin INSERT INTO[dbo].[kel_PES_Historico] (Tipo,TpDoc,Serie,NoDoc,Ano,PesoBruto,PesoTara, PesoLiquido, PesoEfectivo,Justificacao, DataHoraPB, DataHoraPL,Terceiro,Artigo, CodMorada, Motorista, Carro, TipoTerc, AnoTalao, NoTalao,RefCliente,RefEntrega,Sigla,Campanha,TipoMorada ) Values (@Tipo,@TpDoc,@Serie,@NoDoc,@Ano,@PesoBruto,@PesoTara, @PesoLiquido,@PesoEfectivo, @Justificacao, @DataHoraPB, @DataHoraPL, @Terceiro,@Artigo,@CodMorada,  @Motorista, @Carro,@TipoTerc, @AnoTalao, @NoTalao, @RefCliente,@RefEntrega, @Sigla,@Campanha,@TipoMorada) Return @@Identity End Else Begin Update [dbo].[kel_PES_Historico] SET Tipo            =@Tipo, TpDoc           =@TpDoc, Serie           =@Serie, NoDoc           =@NoDoc, Ano             =@Ano, PesoBruto       =@PesoBruto, PesoTara        =@PesoTara, PesoLiquido     =@PesoLiquido, PesoEfectivo    =@PesoEfectivo, Justificacao    =@Justificacao,  DataHoraPB      =@DataHoraPB, DataHoraPL      =@DataHoraPL, Terceiro        =@Terceiro, Artigo          =@Artigo, CodMorada       =@CodMorada, Motorista       =@Motorista, Carro           =@Carro, TipoTerc        =@TipoTerc,  AnoTalao           =@AnoTalao, NoTalao =@NoTalao, RefCliente=@RefCliente,RefEntrega=@RefEntrega, Sigla=@Sigla, Campanha=@Campanha,TipoMorada=@TipoMorada Where Hist_Id=@Hist_Id Return @Hist_Id End
GO

INSERT INTO [dbo].[kel_sistema] ([Numero], [VersaoCatalogo], [versaoEXE]) VALUES (200, 3, NULL)
GO
